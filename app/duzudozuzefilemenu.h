// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEFILEMENU_H
#define DUZUDOZUZEFILEMENU_H

#include <QObject>
#include <QStringList>

class DuzUdozuzeFrontEnd;
class DuzUdozuzeLogView;
class QMainWindow;

// The window's File menu: Open Capture and Open Recording, each opened in a
// window of its own while this one goes on listening, Save Log, and Quit.
class DuzUdozuzeFileMenu : public QObject
{
    Q_OBJECT

public:
    // Adds the menu to window's menu bar. view: the log saved; frontEnd: the
    // window's, whose station (made later) names this program's recording;
    // args: the control string the other windows start from.
    DuzUdozuzeFileMenu(QMainWindow *window, DuzUdozuzeLogView *view,
                       const DuzUdozuzeFrontEnd &frontEnd, const QStringList &args);

    // Writes every line of the view to path, those still waiting for the
    // view's refresh too. Returns the error, or an empty text on success.
    QString saveLog(const QString &path);

private:
    void openCapture();
    void openRecording();
    void saveLogAs();

    QMainWindow *m_pqWindow;
    DuzUdozuzeLogView *m_pView;
    const DuzUdozuzeFrontEnd &m_frontEnd;
    QStringList m_args;
};

#endif // DUZUDOZUZEFILEMENU_H
