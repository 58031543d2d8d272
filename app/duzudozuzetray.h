// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETRAY_H
#define DUZUDOZUZETRAY_H

#include <QSystemTrayIcon>

// The window's icon in the desktop's tray, where it has one: the state at a
// glance (grey: not listening; red: a warning in force, or one raised and not
// yet acknowledged; green: all is well), the warnings in its tooltip, a
// notification for each warning raised, and a click for the window.
class DuzUdozuzeTray : public QSystemTrayIcon
{
    Q_OBJECT

public:
    // Shown at once, with no warnings; listening stays as the set-up left it.
    DuzUdozuzeTray(bool listening, QWidget *window);

    void showWarnings(const QStringList &warnings, int unacknowledged = 0);
    void notifyRaised(const QString &warning);

private:
    bool m_bListening;
};

#endif // DUZUDOZUZETRAY_H
