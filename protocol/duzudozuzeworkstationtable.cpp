#include "protocol/duzudozuzeworkstationtable.h"

#include "common/duzudozuzeipv4.h"
#include "common/duzudozuzelogline.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <QElapsedTimer>

#include <memory>

namespace {

// The codes that only a workstation acting as master sends: "NA" announces
// mastership, "NU" is an unhealthy master, "NO" is a master's answer.
bool isClaim(const QString &code)
{
    return code == QLatin1String("NA") || code == QLatin1String("NU")
        || code == QLatin1String("NO");
}

QString shown(const QString &text)
{
    return QString::fromLatin1(DuzUdozuzeLogLine::escaped(text));
}

} // namespace

DuzUdozuzeWorkstationTable::DuzUdozuzeWorkstationTable(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
    Row own;
    own.own = true;
    m_rows.push_back(own);
    m_claiming.push_back(false);
    m_group.emplace_back();
    m_prev.push_back(-1);
    m_next.push_back(-1);
    setOwnIdentity(own.system, own.alarmSystem, own.workstation, own.channel);
}

QString DuzUdozuzeWorkstationTable::rowKey(const QString &system, const QString &alarmSystem,
                                           int workstation)
{
    // Names compare as the respond checks compare them: in any letter case.
    return system.toUpper() + QChar(0x1F) + alarmSystem.toUpper() + QChar(0x1F)
        + QString::number(workstation);
}

QString DuzUdozuzeWorkstationTable::groupKey(const QString &system, const QString &alarmSystem,
                                             int channel)
{
    return rowKey(system, alarmSystem, channel);
}

void DuzUdozuzeWorkstationTable::setOwnIdentity(const QString &system, const QString &alarmSystem,
                                                int workstation, int channel)
{
    Row &own = m_rows[0];
    own.system = system;
    own.alarmSystem = alarmSystem;
    own.workstation = workstation;
    own.channel = channel;
    m_ownKey = rowKey(system, alarmSystem, workstation);
    m_ownGroupKey = m_group[0] = groupKey(own.system, own.alarmSystem, own.channel);
}

void DuzUdozuzeWorkstationTable::setOwnHealthy(bool healthy)
{
    m_rows[0].healthy = healthy;
}

bool DuzUdozuzeWorkstationTable::claimsMaster(const Row &row) const
{
    if (row.own)
        return row.master;
    return row.lastClaim >= 0 && m_clock() - row.lastClaim < ClaimTime;
}

bool DuzUdozuzeWorkstationTable::isStale(const Row &row) const
{
    return !row.own && (row.lastSeen < 0 || m_clock() - row.lastSeen >= StaleTime);
}

DuzUdozuzeWorkstationTable::Events DuzUdozuzeWorkstationTable::ownModeChanged(bool master,
                                                                              const QString &code,
                                                                              quint32 address,
                                                                              int workstation)
{
    Events events;
    m_history.push_back({m_clock(), master, code, address, workstation});
    if (m_history.size() > size_t(MaxHistory))
        m_history.pop_front();
    ++m_nModeChanges;
    m_rows[0].master = master;
    setClaiming(0, master, events);
    checkFlapping(events);
    checkNoMaster(events);
    return events;
}

DuzUdozuzeWorkstationTable::Events
DuzUdozuzeWorkstationTable::update(const DuzUdozuzeStatusDatagram &datagram, quint32 address,
                                   quint16 port)
{
    Events events;
    const qint64 now = m_clock();
    const QString key = rowKey(datagram.system, datagram.alarmSystem, datagram.workstation);
    int index = 0;
    if (key != m_ownKey) {
        const auto found = m_index.constFind(key);
        index = found != m_index.constEnd() ? *found : newRow(key, events);
    }
    Row &row = m_rows[size_t(index)];
    if (index != 0) {
        // The group is worked out again only when its fields change; a
        // claiming row that changes group leaves the old one's count.
        if (m_group[size_t(index)].isEmpty() || row.channel != datagram.channel
            || row.system != datagram.system || row.alarmSystem != datagram.alarmSystem) {
            const QString group = groupKey(datagram.system, datagram.alarmSystem, datagram.channel);
            if (group != m_group[size_t(index)]) {
                setClaiming(index, false, events);
                m_group[size_t(index)] = group;
            }
        }
        row.system = datagram.system;
        row.alarmSystem = datagram.alarmSystem;
        row.workstation = datagram.workstation;
        row.channel = datagram.channel;
        touch(index);
    }
    row.address = address;
    row.port = port;
    row.lastCode = datagram.code;
    row.lastHealth = datagram.healthWord;
    ++row.received;
    if (row.firstSeen < 0)
        row.firstSeen = now;
    row.lastSeen = now;
    if (isClaim(datagram.code))
        row.lastClaim = now;
    if (index != 0)
        setClaiming(index, claimsMaster(row), events);
    // A peer of the own group heard just now is one the full check would find.
    const bool peer = index != 0 && m_group[size_t(index)] == m_ownGroupKey;
    checkNoMaster(events, peer);
    return events;
}

DuzUdozuzeWorkstationTable::Events DuzUdozuzeWorkstationTable::tick()
{
    Events events;
    for (int index = 1; index < rowCount(); ++index) {
        if (m_claiming[size_t(index)] && !claimsMaster(m_rows[size_t(index)]))
            setClaiming(index, false, events);
    }
    checkFlapping(events);
    checkNoMaster(events, false, true);
    return events;
}

DuzUdozuzeWorkstationTable::Events DuzUdozuzeWorkstationTable::clear()
{
    Events events;
    for (int index = 1; index < rowCount(); ++index)
        setClaiming(index, false, events);
    m_rows.resize(1);
    m_claiming.resize(1);
    m_group.resize(1);
    m_prev.assign(1, -1);
    m_next.assign(1, -1);
    m_nHead = m_nTail = -1;
    m_index.clear();
    ++m_nStructure;
    checkNoMaster(events, false, true);
    return events;
}

int DuzUdozuzeWorkstationTable::newRow(const QString &key, Events &events)
{
    int index;
    if (rowCount() - 1 < MaxRows) {
        index = rowCount();
        m_rows.emplace_back();
        m_claiming.push_back(false);
        m_group.emplace_back();
        m_prev.push_back(-1);
        m_next.push_back(-1);
    } else {
        // The stalest row makes room, in its place.
        index = m_nHead;
        setClaiming(index, false, events);
        unlink(index);
        const Row &stalest = m_rows[size_t(index)];
        m_index.remove(rowKey(stalest.system, stalest.alarmSystem, stalest.workstation));
        m_rows[size_t(index)] = Row();
        m_group[size_t(index)].clear();
        ++m_nEvicted;
    }
    ++m_nStructure;
    m_index.insert(key, index);
    return index;
}

void DuzUdozuzeWorkstationTable::unlink(int index)
{
    const int previous = m_prev[size_t(index)];
    const int next = m_next[size_t(index)];
    if (previous >= 0)
        m_next[size_t(previous)] = next;
    else if (m_nHead == index)
        m_nHead = next;
    else
        return; // not in the list
    if (next >= 0)
        m_prev[size_t(next)] = previous;
    else
        m_nTail = previous;
    m_prev[size_t(index)] = m_next[size_t(index)] = -1;
}

void DuzUdozuzeWorkstationTable::touch(int index)
{
    if (m_nTail == index)
        return;
    unlink(index);
    m_prev[size_t(index)] = m_nTail;
    if (m_nTail >= 0)
        m_next[size_t(m_nTail)] = index;
    else
        m_nHead = index;
    m_nTail = index;
}

void DuzUdozuzeWorkstationTable::setClaiming(int index, bool claiming, Events &events)
{
    if (m_claiming[size_t(index)] == claiming)
        return;
    m_claiming[size_t(index)] = claiming;
    const Row &row = m_rows[size_t(index)];
    const QString &group = m_group[size_t(index)];
    if (claiming) {
        m_groupNames.insert(group,
                            QStringLiteral("%1/%2 channel %3")
                                .arg(shown(row.system), shown(row.alarmSystem))
                                .arg(row.channel));
    }
    int &count = m_claimers[group];
    count += claiming ? 1 : -1;
    if (count <= 0)
        m_claimers.remove(group);
    checkTwoMasters(group, events);
    if (!m_claimers.contains(group) && !m_twoMasterGroups.contains(group))
        m_groupNames.remove(group);
}

QString DuzUdozuzeWorkstationTable::claimerName(const Row &row) const
{
    return QStringLiteral("workstation %1 (%2)")
        .arg(row.workstation)
        .arg(row.own ? QStringLiteral("this workstation") : duzUdozuzeIpv4Text(row.address));
}

// The warning's text names the claimers, the first few of a crowd.
QString DuzUdozuzeWorkstationTable::twoMastersText(const QString &group) const
{
    constexpr int MaxNamed = 8;
    QStringList names;
    int more = 0;
    for (int index = 0; index < rowCount(); ++index) {
        if (!m_claiming[size_t(index)] || m_group[size_t(index)] != group)
            continue;
        if (names.size() < MaxNamed)
            names.append(claimerName(m_rows[size_t(index)]));
        else
            ++more;
    }
    const QString last = more > 0 ? QStringLiteral("%1 more").arg(more) : names.takeLast();
    return QStringLiteral("Two masters in %1: %2 and %3")
        .arg(m_groupNames.value(group), names.join(QStringLiteral(", ")), last);
}

// One warning an episode, raised when the second claim comes, and one line
// when fewer than two are left.
void DuzUdozuzeWorkstationTable::checkTwoMasters(const QString &group, Events &events)
{
    const int count = m_claimers.value(group);
    const bool inEpisode = m_twoMasterGroups.contains(group);
    if (count >= 2 && !inEpisode) {
        m_twoMasterGroups.insert(group);
        events.append({true, twoMastersText(group)});
    } else if (count < 2 && inEpisode) {
        m_twoMasterGroups.remove(group);
        QString text;
        for (int index = 0; index < rowCount() && text.isEmpty(); ++index) {
            if (m_claiming[size_t(index)] && m_group[size_t(index)] == group) {
                text = QStringLiteral("One master again in %1: workstation %2")
                           .arg(m_groupNames.value(group))
                           .arg(m_rows[size_t(index)].workstation);
            }
        }
        if (text.isEmpty()) {
            text = QStringLiteral("Two masters over in %1: no workstation claims master")
                       .arg(m_groupNames.value(group));
        }
        events.append({false, text});
    }
}

int DuzUdozuzeWorkstationTable::changesInWindow() const
{
    const qint64 since = m_clock() - FlappingWindow;
    int count = 0;
    for (auto change = m_history.rbegin(); change != m_history.rend() && change->time > since;
         ++change)
        ++count;
    return count;
}

void DuzUdozuzeWorkstationTable::checkFlapping(Events &events)
{
    const int changes = changesInWindow();
    const bool flapping = changes > MaxChangesInWindow;
    if (flapping == !m_strFlapping.isEmpty())
        return;
    if (flapping) {
        m_strFlapping
            = QStringLiteral("Mastership flapping: %1 changes in the last 10 minutes").arg(changes);
        events.append({true, m_strFlapping});
    } else {
        m_strFlapping.clear();
        events.append({false,
                       QStringLiteral("Mastership flapping over: %1 changes in the last 10 minutes")
                           .arg(changes)});
    }
}

// No master in this workstation's own group: among the rows of its system,
// alarm system and channel heard within the stale time (there is at least
// one), none claims master, and this workstation is slave. Raised when that
// has held for NoMasterTime. A claim ends it at once, a peer heard starts it;
// the table is looked through only on a tick, so a datagram costs no scan.
void DuzUdozuzeWorkstationTable::checkNoMaster(Events &events, bool peers, bool full)
{
    const Row &own = m_rows[0];
    const bool claimed = own.master || m_claimers.value(m_ownGroupKey) > 0;
    if (!claimed && full) {
        for (int index = 1; index < rowCount() && !peers; ++index) {
            const Row &row = m_rows[size_t(index)];
            peers = !isStale(row) && m_group[size_t(index)] == m_ownGroupKey;
        }
    } else if (!claimed && !peers) {
        return;
    }
    const auto name = [&own] {
        return QStringLiteral("%1/%2 channel %3")
            .arg(shown(own.system), shown(own.alarmSystem))
            .arg(own.channel);
    };
    if (claimed || !peers) {
        m_nNoMasterSince = -1;
        if (!m_strNoMaster.isEmpty()) {
            m_strNoMaster.clear();
            events.append(
                {false,
                 claimed ? QStringLiteral("Master seen again in %1").arg(name())
                         : QStringLiteral("No workstation heard in %1 for 60 s").arg(name())});
        }
        return;
    }
    const qint64 now = m_clock();
    if (m_nNoMasterSince < 0)
        m_nNoMasterSince = now;
    if (m_strNoMaster.isEmpty() && now - m_nNoMasterSince >= NoMasterTime) {
        m_strNoMaster = QStringLiteral("No master seen in %1 for 30 s").arg(name());
        events.append({true, m_strNoMaster});
    }
}

QStringList DuzUdozuzeWorkstationTable::activeWarnings() const
{
    QStringList warnings;
    for (const QString &group : m_twoMasterGroups)
        warnings.append(twoMastersText(group));
    warnings.sort();
    for (const QString &text : {m_strFlapping, m_strNoMaster}) {
        if (!text.isEmpty())
            warnings.append(text);
    }
    return warnings;
}

QList<DuzUdozuzeWorkstationTable::Group> DuzUdozuzeWorkstationTable::claimerGroups() const
{
    QHash<QString, Group> groups;
    for (int index = 0; index < rowCount(); ++index) {
        if (!m_claiming[size_t(index)])
            continue;
        const Row &row = m_rows[size_t(index)];
        Group &group = groups[m_group[size_t(index)]];
        group.system = row.system;
        group.alarmSystem = row.alarmSystem;
        group.channel = row.channel;
        ++group.claimers;
    }
    return groups.values();
}
