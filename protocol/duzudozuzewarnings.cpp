// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzewarnings.h"

#include <algorithm>

quint64 DuzUdozuzeWarnings::raise(Events &events, Kind kind, const QString &text)
{
    return m_log.raise(events, kind, text, m_wallClock());
}

void DuzUdozuzeWarnings::end(Events &events, Kind kind, quint64 warning, const QString &text)
{
    m_log.end(events, kind, warning, text, m_wallClock());
}

void DuzUdozuzeWarnings::ownModeChanged(Events &events)
{
    m_ownChanges.push_back(m_clock());
    if (m_ownChanges.size() > MaxOwnChanges)
        m_ownChanges.pop_front();
    checkFlapping(events);
}

int DuzUdozuzeWarnings::changesInWindow() const
{
    const qint64 since = m_clock() - FlappingWindow;
    int count = 0;
    for (auto time = m_ownChanges.rbegin(); time != m_ownChanges.rend() && *time > since; ++time)
        ++count;
    return count;
}

QString DuzUdozuzeWarnings::flappingText() const
{
    return QStringLiteral("Mastership flapping: %1 changes in the last 10 minutes")
        .arg(changesInWindow());
}

void DuzUdozuzeWarnings::checkFlapping(Events &events)
{
    const int changes = changesInWindow();
    const bool flapping = changes > MaxChangesInWindow;
    if (flapping == (m_nFlapping != 0))
        return;
    if (flapping) {
        m_nFlapping = raise(events, Kind::Flapping, flappingText());
    } else {
        end(events, Kind::Flapping, m_nFlapping,
            QStringLiteral("Mastership flapping over: %1 changes in the last 10 minutes")
                .arg(changes));
        m_nFlapping = 0;
    }
}

// No master in this workstation's own group: among the rows of its system,
// alarm system and channel heard within the stale time (there is at least
// one), none claims master, and this workstation is slave. Raised when that
// has held for NoMasterTime. A claim ends it at once, a peer heard starts it.
void DuzUdozuzeWarnings::checkNoMaster(Events &events, bool claimed, bool peers)
{
    if (claimed || !peers) {
        m_nNoMasterSince = -1;
        if (m_nNoMaster != 0) {
            end(events, Kind::NoMaster, m_nNoMaster,
                claimed ? QStringLiteral("Master seen again in %1").arg(m_ownGroup)
                        : QStringLiteral("No workstation heard in %1 for 60 s").arg(m_ownGroup));
            m_nNoMaster = 0;
        }
        return;
    }
    const qint64 now = m_clock();
    if (m_nNoMasterSince < 0)
        m_nNoMasterSince = now;
    if (m_nNoMaster == 0 && now - m_nNoMasterSince >= NoMasterTime)
        m_nNoMaster = raise(events, Kind::NoMaster, noMasterText());
}

qint64 DuzUdozuzeWarnings::noMasterDue() const
{
    return m_nNoMasterSince >= 0 ? m_nNoMasterSince + NoMasterTime : Never;
}

// For as long as it has lasted, to the second.
QString DuzUdozuzeWarnings::noMasterText() const
{
    return QStringLiteral("No master seen in %1 for %2 s")
        .arg(m_ownGroup)
        .arg((m_clock() - m_nNoMasterSince) / 1000);
}

void DuzUdozuzeWarnings::setSilence(qint64 time, int port)
{
    m_nSilenceTime = time;
    m_nSilencePort = port;
    m_nLastHeard = m_clock();
}

void DuzUdozuzeWarnings::heard(Events &events)
{
    const qint64 now = m_clock();
    if (m_nSilent != 0) {
        const QString after = QString::number((now - m_nLastHeard) / 1000);
        end(events, Kind::Silence, m_nSilent,
            m_nSilencePort > 0 ? QStringLiteral("Heard again on UDP port %1 after %2 s")
                                     .arg(QString::number(m_nSilencePort), after)
                               : QStringLiteral("Heard again after %1 s").arg(after));
        m_nSilent = 0;
    }
    m_nLastHeard = now;
}

// Nothing at all heard: a cut cable, a dead switch port, a firewall. Every
// other warning ends as the rows go stale, so without this one the monitor
// would look healthy exactly when it has lost its input.
void DuzUdozuzeWarnings::checkSilence(Events &events)
{
    if (m_nSilenceTime > 0 && m_nSilent == 0 && m_nLastHeard >= 0
        && m_clock() - m_nLastHeard >= m_nSilenceTime) {
        m_nSilent = raise(events, Kind::Silence, silenceText());
    }
}

qint64 DuzUdozuzeWarnings::silenceDue() const
{
    return m_nSilenceTime > 0 ? m_nLastHeard + m_nSilenceTime : Never;
}

// For as long as it has lasted, to the second. Port 0 is every port (a
// capture read whole), so no port is named.
QString DuzUdozuzeWarnings::silenceText() const
{
    const QString duration = QString::number((m_clock() - m_nLastHeard) / 1000);
    return m_nSilencePort > 0 ? QStringLiteral("Nothing heard on UDP port %1 for %2 s")
                                    .arg(QString::number(m_nSilencePort), duration)
                              : QStringLiteral("Nothing heard for %1 s").arg(duration);
}

QStringList DuzUdozuzeWarnings::activeWarnings() const
{
    QStringList warnings;
    if (flapping())
        warnings.append(flappingText());
    if (noMaster())
        warnings.append(noMasterText());
    if (silent())
        warnings.append(silenceText());
    return warnings;
}

// A change leaving the flapping window, the no-master warning's time, the
// silence time.
qint64 DuzUdozuzeWarnings::nextChange(bool masterMissing) const
{
    qint64 next = Never;
    if (masterMissing && m_nNoMaster == 0)
        next = m_nNoMasterSince >= 0 ? noMasterDue() : m_clock();
    if (flapping()) {
        const qint64 since = m_clock() - FlappingWindow;
        const auto oldest = std::upper_bound(m_ownChanges.begin(), m_ownChanges.end(), since);
        if (oldest != m_ownChanges.end())
            next = qMin(next, *oldest + FlappingWindow);
    }
    if (m_nSilent == 0)
        next = qMin(next, silenceDue());
    return next;
}
