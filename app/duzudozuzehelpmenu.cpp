// SPDX-License-Identifier: MIT
#include "app/duzudozuzehelpmenu.h"

#include "protocol/duzudozuzeworkstationreport.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>

namespace {

QString row(const QString &keys, const QString &what)
{
    return QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>")
        .arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
}

// Every action of menu and its submenus that has keys, as the menu shows it.
QString menuRows(const QMenu *menu, const QString &path)
{
    QString rows;
    for (const QAction *action : menu->actions()) {
        const QString name = path + QStringLiteral(" > ") + action->iconText();
        if (action->menu())
            rows += menuRows(action->menu(), name);
        else if (!action->shortcut().isEmpty())
            rows += row(action->shortcut().toString(QKeySequence::NativeText), name);
    }
    return rows;
}

} // namespace

DuzUdozuzeHelpMenu::DuzUdozuzeHelpMenu(QMainWindow *window) : QObject(window), m_pqWindow(window)
{
    QMenu *help = window->menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&Keyboard Shortcuts"), this, &DuzUdozuzeHelpMenu::showShortcuts)
        ->setShortcut(QKeySequence::HelpContents);
    help->addAction(tr("&About DuzUdozuze"), this, &DuzUdozuzeHelpMenu::about)
        ->setMenuRole(QAction::AboutRole);
    auto *menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), window);
    connect(menuKey, &QShortcut::activated, this, &DuzUdozuzeHelpMenu::openContextMenu);
}

QString DuzUdozuzeHelpMenu::shortcutsText() const
{
    QString rows;
    for (const QAction *action : m_pqWindow->menuBar()->actions()) {
        if (action->menu())
            rows += menuRows(action->menu(), action->iconText());
    }
    rows += row(tr("Tab, Shift+Tab"), tr("The next or the previous field, view or dock"));
    rows += row(tr("Shift+F10, Menu"), tr("The context menu of the view that has the focus"));
    QString codes;
    for (const char *code : {"NA", "NU", "NO", "NC"})
        codes += QStringLiteral("<li>%1</li>")
                     .arg(DuzUdozuzeWorkstationReport::codeMeaning(QLatin1String(code))
                              .toHtmlEscaped());
    return QStringLiteral("<table>%1</table><p>%2</p><ul>%3</ul>")
        .arg(rows, tr("The codes of the status datagrams:"), codes);
}

void DuzUdozuzeHelpMenu::showShortcuts()
{
    QMessageBox box(QMessageBox::NoIcon, tr("Keyboard Shortcuts"), shortcutsText(),
                    QMessageBox::Close, m_pqWindow);
    box.setTextFormat(Qt::RichText);
    box.exec();
}

void DuzUdozuzeHelpMenu::about()
{
    QMessageBox::about(m_pqWindow, tr("About DuzUdozuze"),
                       tr("<p><b>DuzUdozuze %1</b></p><p>Watches the status datagrams of an alarm "
                          "system's workstations and takes part in their master/slave "
                          "election.</p>")
                           .arg(QStringLiteral(DUZUDOZUZE_VERSION)));
}

// Where the focus widget puts its cursor (a view's current row), as the
// toolkit does for the Menu key.
void DuzUdozuzeHelpMenu::openContextMenu()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return;
    QRect cursor = focus->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    if (!cursor.isValid())
        cursor = focus->rect();
    const QPoint point = cursor.center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, point, focus->mapToGlobal(point));
    QCoreApplication::sendEvent(focus, &event);
}
