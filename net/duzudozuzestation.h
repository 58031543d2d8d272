// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESTATION_H
#define DUZUDOZUZESTATION_H

#include "common/duzudozuzesettings.h"
#include "net/duzudozuzelinkcontext.h"
#include "net/duzudozuzerecorder.h"
#include "net/duzudozuzesource.h"
#include "protocol/duzudozuzesession.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

struct IDebug;

// What the workstation is and hears, whatever it hears it from: its
// settings, made from the system INI file and the control string; the
// session that holds the election; the recording (/record=); and the one
// source of its datagrams, the port or a capture read, made as the settings
// say. Its constructor does the whole set-up and logs every step to the
// front end's sink; isValid() tells whether every step succeeded.
//
// A line goes from the session, through here, to the sink; the rest of what
// the session makes goes out as signals, to as many as listen, and an
// answer to the source.
class DuzUdozuzeStation : public QObject,
                          public DuzUdozuzeLinkContext,
                          private DuzUdozuzeSession::Sink
{
    Q_OBJECT

public:
    // How the local address list is looked up; by default the host's resolver.
    using AddressLookup = std::function<QStringList()>;

    // debug outlives the station.
    DuzUdozuzeStation(const QString &hxRoot, const QString &hxSystem, int workstation,
                      const QStringList &args, IDebug *debug, AddressLookup addressLookup = {});
    ~DuzUdozuzeStation() override;

    bool isValid() const { return m_bValid; }
    const DuzUdozuzeSettings &settings() const { return m_settings; }
    DuzUdozuzeSession &session() { return *m_pSession; }
    const DuzUdozuzeSession &session() const { return *m_pSession; }
    const DuzUdozuzeWorkstationTable &workstations() const { return m_pSession->workstations(); }
    // The source, once the settings were valid; none before.
    DuzUdozuzeSource *source() const { return m_pSource.get(); }
    // The source's traits; the port's when there is no source.
    const DuzUdozuzeSourceTraits &traits() const { return workstations().source(); }

    // What the operator should know about the set-up, said once at start:
    // other sockets on the port, a negative workstation number, a name sent
    // as UTF-8, a recording size raised.
    const QStringList &setUpWarnings() const { return m_setUpWarnings; }

    // The source hands its datagrams over from the event loop on.
    void start();
    // Hands no more and writes what waits to be recorded, at the end, so
    // that the recording's counts are final.
    void finish();
    DuzUdozuzeRecorder::Counts recordCounts() const;

    QStringList localAddresses() const override { return m_addressLookup(); }

signals:
    void countsChanged();
    void mastershipChanged(bool master);
    // A warning of the workstation table was raised, or ended.
    void workstationWarning(bool raised, const QString &text);
    // What the operator should know, said once: the source's (priority 0),
    // and the recording's failing or going on again, with the priority the
    // recorder gives (DuzUdozuzeRecorder::Told).
    void told(const QString &text, int priority);

protected:
    void logLine(const QString &line) override;

private:
    void setUp(const QStringList &args);
    // With /read=: the capture as the source, read on the ports it holds
    // unless /port= names one.
    void openCapture(const QStringList &args);
    // With /record=: the folder checked, and the recording begun.
    void setUpRecorder();
    void warnAboutNames();

    bool sendStatus(const QByteArray &datagram) override { return m_pSource->send(datagram); }
    void warned(bool raised, const QString &text) override
    {
        emit workstationWarning(raised, text);
    }
    void counted() override { emit countsChanged(); }
    void modeChanged(bool master) override { emit mastershipChanged(master); }

    DuzUdozuzeSettings m_settings;
    IDebug *m_pDebug; // not owned
    AddressLookup m_addressLookup;
    bool m_bValid = true;
    QStringList m_setUpWarnings;
    std::unique_ptr<DuzUdozuzeSession> m_pSession;
    std::unique_ptr<DuzUdozuzeSource> m_pSource;
    std::shared_ptr<DuzUdozuzeRecorder> m_pRecorder;
};

#endif // DUZUDOZUZESTATION_H
