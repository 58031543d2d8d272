// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzeworkstationtable.h"

#include "common/duzudozuzeipv4.h"
#include "common/duzudozuzelogline.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
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

size_t qHash(const DuzUdozuzeWorkstationTable::Key &key, size_t seed)
{
    return qHashMulti(seed, key.namesHash(seed), key.number);
}

DuzUdozuzeWorkstationTable::DuzUdozuzeWorkstationTable(Clock clock, WallClock wallClock)
{
    if (clock) {
        m_clock = [clock = std::move(clock)] { return duzUdozuzeMsCount(clock()); };
    } else {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
    if (wallClock)
        m_wallClock = [wallClock = std::move(wallClock)] { return duzUdozuzeMsCount(wallClock()); };
    else
        m_wallClock = &QDateTime::currentMSecsSinceEpoch;
    m_warnings.setClocks(m_clock, m_wallClock);
    m_slots.emplace_back();
    m_slots[0].row.own = true;
    setOwnIdentity({}, {}, 0, 0);
}

// Names compare as the respond checks compare them: in any letter case.
size_t DuzUdozuzeWorkstationTable::Key::namesHash(size_t seed) const
{
    if (!hashed || hashedSeed != seed) {
        hashedNames = qHashMulti(seed, system, alarmSystem);
        hashedSeed = seed;
        hashed = true;
    }
    return hashedNames;
}

DuzUdozuzeWorkstationTable::Key
DuzUdozuzeWorkstationTable::key(const QString &system, const QString &alarmSystem, int number)
{
    return {system.toUpper(), alarmSystem.toUpper(), number};
}

void DuzUdozuzeWorkstationTable::setOwnIdentity(const QString &system, const QString &alarmSystem,
                                                int workstation, int channel)
{
    Row &own = m_slots[0].row;
    own.system = system;
    own.alarmSystem = alarmSystem;
    own.workstation = workstation;
    own.channel = channel;
    m_ownKey = key(system, alarmSystem, workstation);
    m_slots[0].group = key(system, alarmSystem, channel);
    m_warnings.setOwnGroup(groupName(own.system, own.alarmSystem, own.channel));
}

QString DuzUdozuzeWorkstationTable::groupName(const QString &system, const QString &alarmSystem,
                                              int channel)
{
    return QStringLiteral("%1/%2 channel %3").arg(shown(system), shown(alarmSystem)).arg(channel);
}

QString DuzUdozuzeWorkstationTable::ownGroupName() const
{
    const Row &own = row(0);
    return own.system.isEmpty() || own.channel < 0
        ? QString()
        : groupName(own.system, own.alarmSystem, own.channel);
}

void DuzUdozuzeWorkstationTable::setOwnHealthy(bool healthy)
{
    m_slots[0].row.healthy = healthy;
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
    record({m_clock(), m_wallClock(), true, master, {}, {}, {}, code, address, workstation, {}});
    ++m_nModeChanges;
    m_slots[0].row.master = master;
    setClaiming(0, master, events, {code, address, workstation, {}});
    m_warnings.ownModeChanged(events);
    checkNoMaster(events);
    // The next tick looks the table through again.
    changeBy(m_clock());
    return events;
}

DuzUdozuzeWorkstationTable::Events
DuzUdozuzeWorkstationTable::update(const DuzUdozuzeStatusDatagram &datagram, quint32 address,
                                   quint16 port)
{
    Events events;
    const qint64 now = m_clock();
    // Datagrams come from a few systems: their names in upper case are kept
    // from one datagram to the next.
    if (datagram.system != m_lastNames.system || datagram.alarmSystem != m_lastNames.alarmSystem) {
        m_lastNames = {datagram.system, datagram.alarmSystem, 0};
        m_lastUpper = key(datagram.system, datagram.alarmSystem, 0);
    }
    const Key &rowKey = m_lastUpper;
    m_lastUpper.number = datagram.workstation;
    int index = 0;
    if (!(rowKey == m_ownKey)) {
        const auto found = m_index.constFind(rowKey);
        index = found != m_index.constEnd() ? *found : newRow(rowKey, events);
    }
    m_nUpdated = index;
    Slot &slot = m_slots[size_t(index)];
    Row &row = slot.row;
    const Cause cause {datagram.code, address, datagram.workstation, {}};
    // The texts of a row heard again are most often the very ones it has.
    const auto keep = [](QString &text, const QString &heard) {
        if (text.constData() != heard.constData() || text.size() != heard.size())
            text = heard;
    };
    if (index != 0) {
        // A claiming row that changes group leaves the old one's count.
        if (row.channel != datagram.channel || row.firstSeen < 0) {
            setClaiming(index, false, events, cause);
            slot.group = {rowKey.system, rowKey.alarmSystem, datagram.channel};
        }
        keep(row.system, datagram.system);
        keep(row.alarmSystem, datagram.alarmSystem);
        row.workstation = datagram.workstation;
        row.channel = datagram.channel;
        m_recency.touch(index);
    }
    row.address = address;
    row.port = port;
    keep(row.lastCode, datagram.code);
    keep(row.lastHealth, datagram.healthWord);
    ++row.received;
    if (row.firstSeen < 0) {
        row.firstSeen = now;
        row.firstSeenWall = m_wallClock();
    }
    row.lastSeen = now;
    if (isClaim(datagram.code)) {
        row.lastClaim = now;
        changeBy(now + ClaimTime);
    }
    if (index != 0)
        setClaiming(index, claimsMaster(row), events, cause);
    // A peer of the own group heard just now is one the full check would find.
    const bool peer = index != 0 && slot.group == m_slots[0].group;
    checkNoMaster(events, peer ? NoMasterCheck::PeerHeard : NoMasterCheck::Quick);
    if (peer) {
        changeBy(now + StaleTime);
        changeBy(m_warnings.noMasterDue());
    }
    return events;
}

DuzUdozuzeWorkstationTable::Events DuzUdozuzeWorkstationTable::tick()
{
    Events events;
    for (int index = 1; index < rowCount(); ++index) {
        if (m_slots[size_t(index)].claiming && !claimsMaster(row(index))) {
            const Row &expired = row(index);
            setClaiming(
                index, false, events,
                {{}, expired.address, expired.workstation, QStringLiteral("no claim for 10 s")});
        }
    }
    m_warnings.checkFlapping(events);
    checkNoMaster(events, NoMasterCheck::Full);
    m_warnings.checkSilence(events);
    m_nNextChange = findNextChange();
    return events;
}

// Each time tick() can next change something, as the rows stand: a claim
// expiring, a peer of the own group going stale, and the other warnings'.
qint64 DuzUdozuzeWorkstationTable::findNextChange() const
{
    qint64 next = std::numeric_limits<qint64>::max();
    qint64 peersUntil = -1;
    const Slot &own = m_slots[0];
    for (int index = 1; index < rowCount(); ++index) {
        const Slot &slot = m_slots[size_t(index)];
        if (slot.claiming)
            next = qMin(next, slot.row.lastClaim + ClaimTime);
        if (slot.group == own.group && !isStale(slot.row))
            peersUntil = qMax(peersUntil, slot.row.lastSeen + StaleTime);
    }
    // No master can be seen missing while one claims, nor once no peer is
    // left.
    const bool masterMissing = peersUntil >= 0 && !own.row.master && !m_groups.contains(own.group);
    if (masterMissing)
        next = qMin(next, peersUntil);
    return qMin(next, m_warnings.nextChange(masterMissing));
}

void DuzUdozuzeWorkstationTable::setSilence(std::chrono::milliseconds time, int port)
{
    m_warnings.setSilence(time.count(), port);
    changeBy(m_warnings.silenceDue());
}

DuzUdozuzeWorkstationTable::Events DuzUdozuzeWorkstationTable::heard()
{
    Events events;
    m_warnings.heard(events);
    changeBy(m_warnings.silenceDue());
    return events;
}

DuzUdozuzeWorkstationTable::Events DuzUdozuzeWorkstationTable::clear()
{
    Events events;
    for (int index = 1; index < rowCount(); ++index)
        setClaiming(index, false, events, {{}, 0, 0, QStringLiteral("Clear Workstations")});
    m_slots.resize(1);
    m_recency.clear();
    m_index.clear();
    ++m_nStructure;
    checkNoMaster(events, NoMasterCheck::Full);
    m_nNextChange = findNextChange();
    return events;
}

int DuzUdozuzeWorkstationTable::newRow(const Key &rowKey, Events &events)
{
    int index;
    if (rowCount() - 1 < MaxRows) {
        index = rowCount();
        m_slots.emplace_back();
    } else {
        // The stalest row makes room, in its place.
        index = m_recency.stalest();
        setClaiming(index, false, events,
                    {{},
                     row(index).address,
                     row(index).workstation,
                     QStringLiteral("made room in a full table")});
        m_recency.remove(index);
        const Row &stalest = row(index);
        m_index.remove(key(stalest.system, stalest.alarmSystem, stalest.workstation));
        m_slots[size_t(index)] = Slot();
        ++m_nEvicted;
    }
    ++m_nStructure;
    m_index.insert(rowKey, index);
    return index;
}

void DuzUdozuzeWorkstationTable::setClaiming(int index, bool claiming, Events &events,
                                             const Cause &cause)
{
    Slot &slot = m_slots[size_t(index)];
    if (slot.claiming == claiming)
        return;
    slot.claiming = claiming;
    const Key group = slot.group;
    GroupState &state = m_groups[group];
    std::vector<int> &claimers = state.claimers;
    const QString before = claimersText(state);
    const auto place = std::lower_bound(claimers.begin(), claimers.end(), index);
    if (claiming) {
        state.name = groupName(slot.row.system, slot.row.alarmSystem, slot.row.channel);
        claimers.insert(place, index);
    } else if (place != claimers.end() && *place == index) {
        claimers.erase(place);
    }
    // Who is master in a group this workstation hears; its own changes are
    // recorded as its own.
    if (index != 0) {
        record({m_clock(), m_wallClock(), false, false, state.name, before, claimersText(state),
                cause.code, cause.address, cause.workstation, cause.reason});
    }
    checkTwoMasters(group, events);
    if (claimers.empty() && !m_twoMasterGroups.contains(group))
        m_groups.remove(group);
}

QString DuzUdozuzeWorkstationTable::claimersText(const GroupState &state) const
{
    if (state.claimers.empty())
        return QStringLiteral("none");
    if (state.claimers.size() == 1)
        return QStringLiteral("workstation %1").arg(row(state.claimers.front()).workstation);
    return QStringLiteral("workstations ")
        + namedClaimers(state, [](const Row &row) { return QString::number(row.workstation); });
}

// "a, b and c", the first few of a crowd and how many more.
QString
DuzUdozuzeWorkstationTable::namedClaimers(const GroupState &state,
                                          const std::function<QString(const Row &)> &name) const
{
    QStringList names;
    for (const int index : state.claimers) {
        if (names.size() == MaxNamed)
            break;
        names.append(name(row(index)));
    }
    const qsizetype more = qsizetype(state.claimers.size()) - names.size();
    const QString last = more > 0 ? QStringLiteral("%1 more").arg(more) : names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

void DuzUdozuzeWorkstationTable::record(Change change)
{
    m_history.push_back(std::move(change));
    if (m_history.size() > size_t(MaxHistory))
        m_history.pop_front();
    ++m_nHistoryAdded;
}

QString DuzUdozuzeWorkstationTable::claimerName(const Row &row) const
{
    return QStringLiteral("workstation %1 (%2)")
        .arg(row.workstation)
        .arg(row.own ? QStringLiteral("this workstation") : duzUdozuzeIpv4Text(row.address));
}

// The warning's text names the claimers, the first few of a crowd.
QString DuzUdozuzeWorkstationTable::twoMastersText(const Key &group) const
{
    const auto found = m_groups.constFind(group);
    if (found == m_groups.constEnd())
        return {};
    const size_t count = found->claimers.size();
    const QString claimers
        = namedClaimers(*found, [this](const Row &row) { return claimerName(row); });
    return (count > 2 ? QStringLiteral("%1 masters").arg(count) : QStringLiteral("Two masters"))
        + QStringLiteral(" in %1: %2").arg(found->name, claimers);
}

// One warning an episode, raised when the second claim comes, and one line
// when fewer than two are left.
void DuzUdozuzeWorkstationTable::checkTwoMasters(const Key &group, Events &events)
{
    GroupState &state = m_groups[group];
    const size_t count = state.claimers.size();
    const bool inEpisode = m_twoMasterGroups.contains(group);
    if (count >= 2 && !inEpisode) {
        m_twoMasterGroups.insert(group);
        state.warning
            = m_warnings.raise(events, DuzUdozuzeWarnings::Kind::TwoMasters, twoMastersText(group));
    } else if (count < 2 && inEpisode) {
        m_twoMasterGroups.remove(group);
        m_warnings.end(events, DuzUdozuzeWarnings::Kind::TwoMasters, state.warning,
                       count == 1
                           ? QStringLiteral("One master again in %1: workstation %2")
                                 .arg(state.name)
                                 .arg(row(state.claimers.front()).workstation)
                           : QStringLiteral("Two masters over in %1: no workstation claims master")
                                 .arg(state.name));
        state.warning = 0;
    }
}

// The facts the no-master warning goes by: whether a master is seen in the
// own group and whether a peer of it is heard. The table is looked through
// for peers only on a tick, so a datagram costs no scan.
void DuzUdozuzeWorkstationTable::checkNoMaster(Events &events, NoMasterCheck check)
{
    const Slot &own = m_slots[0];
    const bool claimed = own.row.master || m_groups.contains(own.group);
    bool peers = check == NoMasterCheck::PeerHeard;
    if (!claimed && check == NoMasterCheck::Full) {
        for (int index = 1; index < rowCount() && !peers; ++index) {
            const Slot &slot = m_slots[size_t(index)];
            peers = !isStale(slot.row) && slot.group == own.group;
        }
    } else if (!claimed && !peers) {
        return;
    }
    m_warnings.checkNoMaster(events, claimed, peers);
}

QStringList DuzUdozuzeWorkstationTable::activeWarnings() const
{
    QStringList warnings;
    warnings.reserve(warningCount());
    for (const Key &group : m_twoMasterGroups)
        warnings.append(twoMastersText(group));
    warnings.sort();
    warnings += m_warnings.activeWarnings();
    return warnings;
}

QList<DuzUdozuzeWorkstationTable::Group> DuzUdozuzeWorkstationTable::claimerGroups() const
{
    QList<Group> groups;
    for (const GroupState &state : m_groups) {
        if (state.claimers.empty())
            continue;
        const Row &first = row(state.claimers.front());
        groups.append({first.system, first.alarmSystem, first.channel, int(state.claimers.size())});
    }
    return groups;
}
