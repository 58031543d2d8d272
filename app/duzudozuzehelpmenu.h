// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHELPMENU_H
#define DUZUDOZUZEHELPMENU_H

#include <QObject>

class QMainWindow;

// The Help menu and the keys that need no menu: Keyboard Shortcuts (F1),
// which lists every command's keys from the window's own menus and what the
// codes mean, About, and Shift+F10, which opens the context menu of whatever
// has the focus, as the Menu key does.
class DuzUdozuzeHelpMenu : public QObject
{
    Q_OBJECT

public:
    // Adds the menu to window's menu bar, the last of them.
    explicit DuzUdozuzeHelpMenu(QMainWindow *window);

    // The text Keyboard Shortcuts shows, as rich text.
    QString shortcutsText() const;

private:
    void showShortcuts();
    void about();
    static void openContextMenu();

    QMainWindow *m_pqWindow;
};

#endif // DUZUDOZUZEHELPMENU_H
