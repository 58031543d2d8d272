#ifndef DUZUDOZUZEMAINWINDOW_H
#define DUZUDOZUZEMAINWINDOW_H

#include "app/duzudozuzefrontend.h"
#include "ui/duzudozuzemainwindowbase.h"

#include <QTimer>

// The program's main window: the form, the log sink, and the owner of the one
// socket object, whose settings it shows once in the form's labels.
class DuzUdozuzeMainWindow : public DuzUdozuzeMainWindowBase, public DuzUdozuzeFrontEnd
{
    Q_OBJECT

public:
    explicit DuzUdozuzeMainWindow(const QStringList &args, QWidget *parent = nullptr,
                                  const char *name = nullptr, Qt::WindowFlags fl = Qt::Window);
    ~DuzUdozuzeMainWindow() override;

public slots:
    // Appends the lines gathered since the last refresh; a timer calls it by
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

private slots:
    void pushRespondNow();

private:
    // Fills the labels once with the socket's settings; shows or hides the
    // Respond group.
    void showSettings();
    // The boxes, the view's line limit and the status bar, as the operator
    // options and the socket's state say.
    void bindToSocket();
    void clearLog();
    void scheduleRefresh();
    void refresh();

    // How long lines may gather before they are appended: short enough to
    // read as at once, long enough that a flood of datagrams (or a steady
    // 2,000 a second) is appended in batches of hundreds of lines, which cost
    // a fraction of the time and about half the memory per line of small ones.
    static constexpr int RefreshInterval = 100; // ms

    QLabel *m_pqStatusMode = nullptr;
    QLabel *m_pqStatusCounts = nullptr;
    // Lines wait here until the next refresh: appended in order, none dropped.
    QStringList m_pendingLines;
    QTimer m_refreshTimer;
};

#endif // DUZUDOZUZEMAINWINDOW_H
