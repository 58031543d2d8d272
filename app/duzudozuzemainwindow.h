// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEMAINWINDOW_H
#define DUZUDOZUZEMAINWINDOW_H

#include "app/duzudozuzefrontend.h"
#include "ui/duzudozuzemainwindowbase.h"

#include <QTimer>

class DuzUdozuzeElidedLabel;
class DuzUdozuzeFindBar;
class DuzUdozuzeHistoryModel;
class DuzUdozuzeWorkstationModel;
class QAction;
class QDockWidget;
class QListWidget;
class QMenu;
class QSystemTrayIcon;

// The program's main window: the form, the log sink, and the owner of the one
// socket object, whose settings it shows once in the form's labels. Above the
// form a menu bar holds the log's commands; under the log view a find bar
// opens on demand. Beside the form two docks show the picture of the
// election: the workstations heard, with the warnings in force, and this
// workstation's mastership history.
class DuzUdozuzeMainWindow : public DuzUdozuzeMainWindowBase, public DuzUdozuzeFrontEnd
{
    Q_OBJECT

public:
    explicit DuzUdozuzeMainWindow(const QStringList &args, QWidget *parent = nullptr,
                                  const char *name = nullptr, Qt::WindowFlags fl = Qt::Window);
    ~DuzUdozuzeMainWindow() override;

    // Shows the window and runs the event loop until it closes, or a stop
    // signal closes it (then the counts go to standard error, and the code
    // is 1 when the set-up failed); returns the exit code.
    int exec();

    // Writes every line of the view to path, one a line, as UTF-8, replacing
    // the file only when all of it is written; anything but a regular file or
    // a new name is refused. Returns the error, or an empty text on success.
    QString saveLog(const QString &path);
    // Lines the limit has dropped from the view since it was last cleared.
    quint64 linesDropped() const;
    DuzUdozuzeFindBar *findBar() const { return m_pFindBar; }
    QAction *followAction() const { return m_pqActionFollow; }
    DuzUdozuzeWorkstationModel *workstationModel() const { return m_pWorkstationModel; }
    quint64 logLinesDropped() const override;
    // Shows in the log only the datagrams of a row of the workstation table.
    void showLinesOf(int row);
    // The operator's own remark, logged as "Note: TEXT", its control
    // characters escaped as in every text from outside.
    void addNote(const QString &text);
    // The longest note the Add Note dialog takes, in characters.
    static constexpr int NoteLength = 1000;

public slots:
    // Shows the lines gathered since the last refresh; a timer calls it by
    // itself shortly after the first of them.
    void flushLog();

signals:
    void duzUdozuzeHidden();
    void duzUdozuzeShown();
    void duzUdozuzeClosed();

protected:
    void keyReleaseEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void appendLine(const QString &line) override;
    void tellProblem(const QString &text) override;
    void stop() override;

private slots:
    void pushRespondNow();

private:
    // Fills the labels once with the socket's settings; shows or hides the
    // Respond group.
    void showSettings();
    // The boxes and the status bar, as the operator options and the socket's
    // state say.
    void bindToSocket();
    void createMenus();
    void createDocks();
    void clearWorkstations();
    // The warnings in force, at the top of the Workstations dock and in the
    // status bar, at the next refresh after one was raised or ended.
    void showWarnings();
    void showProblem(const QString &text);
    void createTray();
    void updateTray(const QStringList &warnings);
    static QString notListeningText();
    // A style sheet for a widget's warning text, from the palette.
    QString warningStyle(const QString &widget) const;
    void clearLog();
    void askForNote();
    void saveLogAs();
    void openCapture();
    void showCapture();
    void about();
    void scheduleRefresh();
    void refresh();

    QLabel *m_pqStatusMode = nullptr;
    QLabel *m_pqStatusCounts = nullptr;
    QLabel *m_pqStatusDropped = nullptr;
    QMenu *m_pqMenuView = nullptr;
    QAction *m_pqActionFollow = nullptr;
    QDockWidget *m_pqDockWorkstations = nullptr;
    QDockWidget *m_pqDockHistory = nullptr;
    QDockWidget *m_pqDockWarningLog = nullptr;
    QSystemTrayIcon *m_pqTray = nullptr; // where the desktop has a tray
    QListWidget *m_pqWarnings = nullptr; // in the Workstations dock
    DuzUdozuzeElidedLabel *m_pqStatusWarnings = nullptr;
    DuzUdozuzeElidedLabel *m_pqStatusProblems = nullptr; // the set-up's and the metrics'
    QStringList m_problems;
    bool m_bWarningsChanged = false;
    bool m_bStopped = false; // by a signal
    DuzUdozuzeWorkstationModel *m_pWorkstationModel = nullptr; // child of this window
    DuzUdozuzeHistoryModel *m_pHistoryModel = nullptr; // child of this window
    DuzUdozuzeHistoryModel *m_pWarningLogModel = nullptr; // child of this window
    QTimer m_ageTimer; // the workstation table, once a second
    bool m_bEvictionTold = false;
    QStringList m_args; // the control string
    DuzUdozuzeFindBar *m_pFindBar = nullptr;
    QTimer m_refreshTimer; // the status bar, a moment after a change
    // Lines of warnings the dock shows before they scroll.
    static constexpr int WarningLines = 4;
    quint64 m_nLinesDroppedBefore = 0; // by the limit, before the view was last cleared
};

#endif // DUZUDOZUZEMAINWINDOW_H
