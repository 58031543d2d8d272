// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESOCKET_H
#define DUZUDOZUZESOCKET_H

#include "common/duzudozuzesettings.h"
#include "net/duzudozuzelinkcontext.h"
#include "protocol/duzudozuzemastership.h"
#include "protocol/duzudozuzetokenbucket.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

struct IDebug;
class DuzUdozuzeSocketDevice;
class QSocketNotifier;

// The one object that holds what the workstation knows about itself and the
// UDP traffic it takes part in: identity, filters, socket settings, the UDP
// socket with its read notifier, and the mastership state. Its constructor
// does the whole set-up and logs every step through the sink; isValid() tells
// whether every step succeeded.
class DuzUdozuzeSocket : public QObject, public DuzUdozuzeLinkContext
{
    Q_OBJECT

public:
    // How the local address list is looked up; by default the host's resolver.
    using AddressLookup = std::function<QStringList()>;

    struct Counts
    {
        quint64 received = 0; // datagrams read
        quint64 shown = 0; // passed the filters and logged
        quint64 filtered = 0; // dropped by a monitor filter
        quint64 notCurrentFormat = 0;
        quint64 answersSent = 0;
        quint64 answersSuppressed = 0; // over the answer rate limit
        quint64 answersNotSent = 0; // decided, but this workstation sends none
    };

    // Answers a second, and at once, that a flood of "NA" can draw.
    static constexpr int MaxAnswersPerSecond = 10;

    DuzUdozuzeSocket(const QString &hxRoot, const QString &hxSystem, int workstation,
                     const QStringList &args, IDebug *debug, AddressLookup addressLookup = {});
    ~DuzUdozuzeSocket() override;

    bool isValid() const { return m_bValid; }
    const DuzUdozuzeSettings &settings() const { return m_settings; }

    bool isMaster() const { return m_mastership.isMaster(); }
    bool isOk() const { return m_mastership.isOk(); }
    bool respondsAutomatically() const { return m_bRespondAutomatically; }
    const Counts &counts() const { return m_counts; }
    // The bound port, or 0 while unbound.
    quint16 localPort() const;
    int socketDescriptor() const;

    // The picture of the election: who was heard, who claims master, this
    // workstation's history, the warnings in force.
    const DuzUdozuzeWorkstationTable &workstations() const { return m_workstations; }
    void clearWorkstations();
    // When the last datagram was received, in ms since the epoch; 0: never.
    qint64 lastDatagramTime() const { return m_nLastDatagramTime; }

    // What the operator should know about the set-up, said once at start:
    // other sockets on the port, a negative workstation number, a name sent
    // as UTF-8.
    const QStringList &setUpWarnings() const { return m_setUpWarnings; }
    // Why the answers decided are not sent; empty while they are.
    QString answersNotSentReason() const;

    QStringList localAddresses() const override;

    // Reading a capture (/read=) instead of the port: the socket is not
    // bound, nothing is sent, and the capture's time is the time of every
    // line, claim, warning and change.
    bool readsCapture() const { return !m_settings.m_strCapturePath.isEmpty(); }
    // A datagram of the capture, through the very path a received one takes.
    void handleCaptured(const QByteArray &payload, qsizetype length, quint32 address, quint16 port,
                        qint64 timeMs);
    // The time of day of the lines logged now: the capture's, or the clock's.
    QString timeText() const;
    bool parseControlString(const QStringList &args);
    void broadcastStatus(const QString &code);
    void handleMessageCode(const QString &code, const QString &healthWord);

public slots:
    // Fed by the front end: the Respond Automatically and OK boxes.
    void setRespondAutomatically(bool on);
    void setOk(bool ok);

signals:
    void countsChanged();
    void mastershipChanged(bool master);
    // A warning of the workstation table was raised, or ended.
    void workstationWarning(bool raised, const QString &text);

protected:
    void logLine(const QString &line) override;
    std::optional<qint64> lineTime() const override;

private:
    void setUp(const QStringList &args);
    void setUpSocket();
    void rxData(int socket);
    // available bytes of a datagram length long on the wire.
    void handleDatagram(const char *data, qint64 available, qint64 length, quint32 address,
                        quint16 port);
    qint64 nowMs() const;
    void advanceCaptureClock(qint64 timeMs);
    void suppressAnswer();
    void report(const DuzUdozuzeWorkstationTable::Events &events);
    void reportSuppressedAnswers();

    DuzUdozuzeSettings m_settings;
    DuzUdozuzeMastership m_mastership;
    std::unique_ptr<DuzUdozuzeSocketDevice> m_pSocketDevice;
    QSocketNotifier *m_pNotifier = nullptr; // child of this object
    IDebug *m_pDebug; // not owned; outlives this object
    AddressLookup m_addressLookup;
    bool m_bValid = true;
    bool m_bRespondAutomatically = false;
    Counts m_counts;
    QStringList m_setUpWarnings;
    DuzUdozuzeWorkstationTable m_workstations;
    QTimer m_workstationTick;
    qint64 m_nLastDatagramTime = 0;
    // Reading a capture: the time of its last datagram, or of the last tick,
    // in ms since the epoch (none before the first), and the picture's clock,
    // which never runs backwards.
    std::optional<qint64> m_nCaptureWall;
    qint64 m_nCaptureMono = 0;
    qint64 m_nNextTick = 0; // when the table ticks next, on the picture's clock

    // The answer rate limit, and its report: at most one line a second.
    DuzUdozuzeTokenBucket m_answerLimit {MaxAnswersPerSecond, MaxAnswersPerSecond};
    QElapsedTimer m_clock;
    QTimer m_suppressedReport;
    quint64 m_nSuppressedUnreported = 0;
    qint64 m_nSuppressedReportedMs = 0;
};

#endif // DUZUDOZUZESOCKET_H
