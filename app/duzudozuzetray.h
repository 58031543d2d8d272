// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETRAY_H
#define DUZUDOZUZETRAY_H

#include <QSystemTrayIcon>

// The window's icon in the desktop's tray, where it has one: the state at a
// glance, by shape as well as colour, so that no one need tell red from
// green (a red octagon with a cross: not listening; a red triangle with an
// exclamation mark: a warning in force, or one raised and not yet
// acknowledged; a green disc with a tick: all is well), the warnings in its
// tooltip under what it watches, a notification for each warning raised, and
// a click for the window.
class DuzUdozuzeTray : public QSystemTrayIcon
{
    Q_OBJECT

public:
    enum class State { Well, Warning, NotListening };

    // Shown at once, with no warnings; listening stays as the set-up left it.
    // watched: "north/Fire channel 3, UDP port 9208", to tell two apart.
    DuzUdozuzeTray(bool listening, const QString &watched, QWidget *window);

    void showWarnings(const QStringList &warnings, int unacknowledged = 0);
    void notifyRaised(const QString &warning);
    static QIcon icon(State state);

private:
    bool m_bListening;
    QString m_strWatched;
};

#endif // DUZUDOZUZETRAY_H
