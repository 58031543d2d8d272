// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEMAINWINDOW_H
#define DUZUDOZUZEMAINWINDOW_H

#include "app/duzudozuzefrontend.h"
#include "ui/duzudozuzemainwindowbase.h"

#include <QTimer>

class DuzUdozuzeAcknowledgement;
class DuzUdozuzeFileMenu;
class DuzUdozuzeFindBar;
class DuzUdozuzeHistoryDock;
class DuzUdozuzeTimelineDock;
class DuzUdozuzeTray;
class DuzUdozuzeWorkstationModel;
class DuzUdozuzeWorkstationsDock;
class QAction;
class QMenu;

// The program's main window: the form, the log sink, and the owner of the one
// station, whose settings it shows once in the form's labels. It puts
// the pieces together and keeps them current: above the form a menu bar with
// the log's commands and the file actions, under the log view a find bar that
// opens on demand, beside the form the docks with the picture of the election
// (the workstations heard with the headline and the warnings in force, the
// mastership history, the warnings raised and ended), the status bar, and the
// tray's icon. A live window keeps its layout for the next start.
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
    DuzUdozuzeAcknowledgement *acknowledgement() const { return m_pAcknowledgement; }
    DuzUdozuzeWorkstationModel *workstationModel() const;
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
    void tellProblem(const QString &text, QLatin1String priority = {}) override;
    void stop() override;

private slots:
    void pushRespondNow();

private:
    // The find bar, Clear and the refresh of the view.
    void createLogView();
    void createMenus();
    void createEditMenu();
    void createViewMenu();
    // Fills the labels once with the station's settings; shows or hides the
    // Respond group.
    void showSettings();
    void createDockWindows();
    // Acknowledge Warnings and Sound on Warning, in the menus and the docks.
    void createAcknowledgement();
    void createTray();
    QString watchedText() const;
    // The boxes and the view's limit, as the operator options say.
    void bindToStation();
    // What the operator should know about the set-up, for as long as the
    // window is open.
    void showSetUp();
    // The station's changes and the clock, to the refreshes of the picture.
    void watchStation();
    QString notListeningText() const;
    // The warnings in force, in the Workstations dock, the status bar and
    // the tray, at the next refresh after one was raised or ended.
    void showWarnings();
    // The log and the mastership history at a moment chosen in the timeline.
    void showMoment(qint64 wall);
    void clearWorkstations();
    void clearLog();
    void askForNote();
    void showRecorded();
    void scheduleRefresh();
    void refresh();

    QStringList m_args; // the control string
    DuzUdozuzeFileMenu *m_pFileMenu = nullptr;
    DuzUdozuzeFindBar *m_pFindBar = nullptr;
    QMenu *m_pqMenuEdit = nullptr;
    QMenu *m_pqMenuView = nullptr;
    QAction *m_pqActionFollow = nullptr;
    DuzUdozuzeWorkstationsDock *m_pWorkstationsDock = nullptr;
    DuzUdozuzeHistoryDock *m_pHistoryDock = nullptr;
    DuzUdozuzeHistoryDock *m_pWarningLogDock = nullptr;
    DuzUdozuzeTimelineDock *m_pTimelineDock = nullptr;
    DuzUdozuzeTray *m_pTray = nullptr; // where the desktop has a tray
    DuzUdozuzeAcknowledgement *m_pAcknowledgement = nullptr;
    bool m_bWarningsChanged = false;
    bool m_bStopped = false; // by a signal
    QTimer m_ageTimer; // the workstation table, once a second
    QTimer m_refreshTimer; // the status bar, a moment after a change
    quint64 m_nLinesDroppedBefore = 0; // by the limit, before the view was last cleared
};

#endif // DUZUDOZUZEMAINWINDOW_H
