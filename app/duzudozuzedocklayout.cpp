// SPDX-License-Identifier: MIT
#include "app/duzudozuzedocklayout.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>

void DuzUdozuzeDockLayout::arrange(QMainWindow *window, QMenu *view,
                                   const QList<QDockWidget *> &docks)
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
}
