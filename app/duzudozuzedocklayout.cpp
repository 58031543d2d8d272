// SPDX-License-Identifier: MIT
#include "app/duzudozuzedocklayout.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>

namespace {

// Keeps the first dock's share of the window's width as the window is
// resized: the toolkit would give all the new room to the log.
class DockShare : public QObject
{
public:
    DockShare(QMainWindow *window, QDockWidget *dock) : QObject(window), m_pqDock(dock)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Resize)
            return false;
        const auto *resize = static_cast<QResizeEvent *>(event);
        if (resize->oldSize().width() <= 0 || m_pqDock->isFloating() || m_pqDock->isHidden())
            return false;
        auto *window = static_cast<QMainWindow *>(watched);
        // The dock still has its width from before; the layout takes the new
        // size after this filter.
        const double share = double(m_pqDock->width()) / resize->oldSize().width();
        QTimer::singleShot(0, m_pqDock, [window, dock = m_pqDock, share] {
            window->resizeDocks({dock}, {int(window->width() * share)}, Qt::Horizontal);
        });
        return false;
    }

private:
    QDockWidget *m_pqDock;
};

} // namespace

void DuzUdozuzeDockLayout::arrange(QMainWindow *window, QMenu *view,
                                   const QList<QDockWidget *> &docks, const QList<Tab> &tabs)
{
    window->addDockWidget(Qt::RightDockWidgetArea, docks.first());
    for (qsizetype i = 1; i < docks.size(); ++i) {
        window->addDockWidget(Qt::RightDockWidgetArea, docks.at(i));
        window->splitDockWidget(docks.at(i - 1), docks.at(i), Qt::Vertical);
    }

    // The View menu shows and hides them; the form keeps its size beside them,
    // the first dock as wide as its common columns where the screen has room.
    view->addSeparator();
    for (QDockWidget *dock : docks)
        view->addAction(dock->toggleViewAction());
    for (const Tab &tab : tabs) {
        window->tabifyDockWidget(tab.behind, tab.dock);
        view->addAction(tab.dock->toggleViewAction());
    }
    constexpr int DockWidth = 760;
    const int room = window->screen()
        ? window->screen()->availableGeometry().width() - window->width()
        : DockWidth;
    const int dockWidth = qBound(300, room, DockWidth);
    window->resize(window->width() + dockWidth, window->height());
    window->resizeDocks({docks.first()}, {dockWidth}, Qt::Horizontal);
    // Half the height for the first, the rest shared by the others.
    QList<int> heights {window->height() / 2};
    for (qsizetype i = 1; i < docks.size(); ++i)
        heights.append(window->height() / 2 / int(docks.size() - 1));
    window->resizeDocks(docks, heights, Qt::Vertical);
    for (const Tab &tab : tabs)
        tab.behind->raise();
    new DockShare(window, docks.first());
}
