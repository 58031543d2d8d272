#ifndef DUZUDOZUZEMAINWINDOW_H
#define DUZUDOZUZEMAINWINDOW_H

#include "duzudozuzemainwindowbase.h"
#include "idebug.h"

#include <QStringList>
#include <QTimer>

#include <memory>

class DuzUdozuzeSocket;

// The program's main window: the form, the log sink, and the owner of the one
// socket object, whose settings it shows once in the form's labels.
class DuzUdozuzeMainWindow : public DuzUdozuzeMainWindowBase, public IDebug
{
    Q_OBJECT

public:
    explicit DuzUdozuzeMainWindow(const QStringList &args, QWidget *parent = nullptr,
                                  const char *name = nullptr, Qt::WindowFlags fl = Qt::Window);
    ~DuzUdozuzeMainWindow() override;

    DuzUdozuzeSocket *socket() const { return m_pDuzUdozuzeSocket.get(); }

    void debugMessage(int, int, const QString &prefix, const QString &text) override;
    void debugPrintf(int, int, const QString &prefix, const char *format, va_list args) override;
    void logPrintf(const char *format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(2, 3);

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

private slots:
    void pushRespondNow();

private:
    void showSettings();
    void appendLine(const QString &line);
    void clearLog();
    void scheduleRefresh();
    void refresh();

    // How long lines may gather before they are appended: short enough not to
    // be seen, long enough that a flood of datagrams is appended in batches of
    // hundreds of lines, which cost a third of the time and half the memory of
    // small ones.
    static constexpr int RefreshInterval = 20; // ms

    std::unique_ptr<DuzUdozuzeSocket> m_pDuzUdozuzeSocket;
    QLabel *m_pqStatusMode = nullptr;
    QLabel *m_pqStatusCounts = nullptr;
    // Lines wait here until the next refresh: appended in order, none dropped.
    QStringList m_pendingLines;
    QTimer m_refreshTimer;
};

#endif // DUZUDOZUZEMAINWINDOW_H
