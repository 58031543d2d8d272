// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzetimeline.h"

#include "common/duzudozuzeipv4.h"
#include "common/duzudozuzelogline.h"

#include <algorithm>
#include <cstring>

namespace {

using Table = DuzUdozuzeWorkstationTable;

QString laneKey(const QString &system, const QString &alarmSystem, int channel, int workstation)
{
    return QStringLiteral("%1/%2/%3/%4")
        .arg(system.toUpper(), alarmSystem.toUpper())
        .arg(channel)
        .arg(workstation);
}

bool claims(DuzUdozuzeTimeline::Role role)
{
    return role == DuzUdozuzeTimeline::Role::Master || role == DuzUdozuzeTimeline::Role::Unhealthy;
}

} // namespace

DuzUdozuzeTimeline::DuzUdozuzeTimeline(const QString &system, const QString &alarmSystem,
                                       int workstation, int channel)
{
    LaneState own;
    own.lane = {system, alarmSystem, channel, workstation, true};
    m_lanes.push_back(std::move(own));
}

DuzUdozuzeTimeline::Cause DuzUdozuzeTimeline::Cause::datagram(const QString &code, quint32 address)
{
    Cause cause;
    cause.reason = Reason::Datagram;
    const QByteArray latin1 = code.toLatin1().left(sizeof(cause.code));
    std::memcpy(cause.code, latin1.constData(), size_t(latin1.size()));
    cause.address = address;
    return cause;
}

const char *DuzUdozuzeTimeline::roleName(Role role)
{
    switch (role) {
    case Role::Master:
        return "master";
    case Role::Unhealthy:
        return "unhealthy";
    case Role::Slave:
        return "slave";
    case Role::Unheard:
        break;
    }
    return "unheard";
}

QString DuzUdozuzeTimeline::causeText(const Cause &cause)
{
    switch (cause.reason) {
    case Reason::Datagram:
        return QStringLiteral("%1 from %2%3")
            .arg(DuzUdozuzeLogLine::escapedCharacters(cause.codeText()),
                 duzUdozuzeIpv4Text(cause.address),
                 cause.answered ? QStringLiteral(", answered NO") : QString());
    case Reason::Start:
        return QStringLiteral("listening began");
    case Reason::ClaimLapsed:
        return QStringLiteral("no claim for %1 s").arg(Table::ClaimTime / 1000);
    case Reason::NotHeard:
        return QStringLiteral("not heard for %1 s").arg(Table::StaleTime / 1000);
    case Reason::Cleared:
        return QStringLiteral("Clear Workstations");
    case Reason::Mode:
        return QStringLiteral("this workstation's health");
    case Reason::Moved:
        break;
    }
    return QStringLiteral("moved to another group");
}

void DuzUdozuzeTimeline::start(qint64 clock, qint64 wall, bool listening)
{
    tellTime(clock, wall);
    m_bStarted = true;
    m_nFirst = clock;
    m_lanes[0].open = {clock, listening ? Role::Slave : Role::Unheard, {}};
}

void DuzUdozuzeTimeline::tellTime(qint64 clock, qint64 wall)
{
    m_nNow = std::max(m_nNow, clock);
    const qint64 offset = wall - clock;
    if (!m_offsets.empty() && std::abs(offset - m_offsets.back().offset) <= StepTime)
        return;
    if (!m_offsets.empty() && offset < m_offsets.back().offset)
        ++m_nStepsBack;
    // A clock that steps at every packet is shown by its last offset.
    constexpr size_t MaxOffsets = 10000;
    if (!m_offsets.empty() && m_offsets.back().clock == clock)
        m_offsets.back().offset = offset;
    else if (m_offsets.size() < MaxOffsets)
        m_offsets.push_back({clock, offset});
}

// Once a datagram: the row's lane and its role compared, no more, unless
// the role changed or the open span has ended by itself.
void DuzUdozuzeTimeline::heard(const Table &table, int index, qint64 clock)
{
    m_nLastHeard = -1;
    // The own row's datagrams are its own coming back: its lane follows its
    // mode.
    if (index <= 0)
        return;
    const Table::Row &row = table.row(index);
    if (size_t(index) >= m_rowLanes.size())
        m_rowLanes.resize(size_t(index) + 1);
    RowLane &rowLane = m_rowLanes[size_t(index)];
    // A row made anew in the place of another, or one that changed group.
    if (rowLane.firstSeen != row.firstSeen || rowLane.channel != row.channel) {
        // The same row in another group has left its lane.
        if (rowLane.lane >= 0 && rowLane.firstSeen == row.firstSeen)
            leave(rowLane.lane, Reason::Moved, clock);
        rowLane = {laneFor(row), row.firstSeen, row.channel};
    }
    if (rowLane.lane < 0)
        return;
    LaneState &state = m_lanes[size_t(rowLane.lane)];
    const bool lapsed = claims(state.open.role)
        ? clock >= state.lastClaim + Table::ClaimTime
        : state.open.role == Role::Slave && clock >= state.lastSeen + Table::StaleTime;
    if (lapsed)
        settle(state, clock);
    state.lastSeen = row.lastSeen;
    state.lastClaim = row.lastClaim;
    Role role = Role::Slave;
    // As the table has it: a claim within the claim time.
    if (row.lastClaim >= 0 && clock - row.lastClaim < Table::ClaimTime) {
        const bool healthy
            = row.lastCode != QLatin1String("NU") && row.lastHealth == QLatin1String("OK");
        role = healthy ? Role::Master : Role::Unhealthy;
    }
    if (role == state.open.role)
        return;
    change(rowLane.lane, role, Cause::datagram(row.lastCode, row.address), clock);
    m_nLastHeard = rowLane.lane;
}

void DuzUdozuzeTimeline::answered()
{
    if (m_nLastHeard >= 0)
        m_lanes[size_t(m_nLastHeard)].open.cause.answered = true;
}

void DuzUdozuzeTimeline::ownChanged(bool master, bool healthy, const Cause &cause, qint64 clock)
{
    m_nNow = std::max(m_nNow, clock);
    const Role role = master ? (healthy ? Role::Master : Role::Unhealthy) : Role::Slave;
    if (started() && role != m_lanes[0].open.role)
        change(0, role, cause, clock);
}

void DuzUdozuzeTimeline::cleared(qint64 clock)
{
    m_nNow = std::max(m_nNow, clock);
    for (int lane = 1; lane < laneCount(); ++lane)
        leave(lane, Reason::Cleared, clock);
    m_rowLanes.clear();
}

void DuzUdozuzeTimeline::leave(int lane, Reason reason, qint64 clock)
{
    LaneState &state = m_lanes[size_t(lane)];
    settle(state, clock);
    Cause cause;
    cause.reason = reason;
    if (state.open.role != Role::Unheard)
        change(lane, Role::Unheard, cause, clock);
    state.lastSeen = state.lastClaim = -1;
}

void DuzUdozuzeTimeline::warned(const DuzUdozuzeWarningLog::Event &event, qint64 clock)
{
    m_nNow = std::max(m_nNow, clock);
    ++m_nGeneration;
    if (event.raised) {
        m_openWarnings.insert(event.number, m_nWarningBase + m_warnings.size());
        m_warnings.push_back({clock, -1, event.kind, event.text, {}, m_nLastAny});
    } else if (const auto found = m_openWarnings.constFind(event.number);
               found != m_openWarnings.constEnd()) {
        if (*found >= m_nWarningBase) {
            Warning &warning = m_warnings[size_t(*found - m_nWarningBase)];
            warning.until = clock;
            warning.endText = event.text;
        }
        m_openWarnings.erase(found);
    }
    pruneWarnings();
}

// The oldest make room; one in force only for the count.
void DuzUdozuzeTimeline::pruneWarnings()
{
    while (!m_warnings.empty()
           && (m_warnings.size() > size_t(MaxWarnings)
               || (m_warnings.front().until >= 0 && m_warnings.front().until < m_nNow - MaxAge))) {
        m_warnings.pop_front();
        ++m_nWarningBase;
        ++m_nDroppedWarnings;
    }
}

int DuzUdozuzeTimeline::laneOf(const QString &system, const QString &alarmSystem, int channel,
                               int workstation) const
{
    return m_laneIndex.value(laneKey(system, alarmSystem, channel, workstation), -1);
}

int DuzUdozuzeTimeline::laneFor(const Table::Row &row)
{
    const QString key = laneKey(row.system, row.alarmSystem, row.channel, row.workstation);
    if (const auto found = m_laneIndex.constFind(key); found != m_laneIndex.constEnd())
        return *found;
    if (laneCount() >= MaxLanes) {
        ++m_nLanesRefused;
        return -1;
    }
    LaneState state;
    state.lane = {row.system, row.alarmSystem, row.channel, row.workstation, false};
    state.open.from = m_nNow;
    m_lanes.push_back(std::move(state));
    m_laneIndex.insert(key, laneCount() - 1);
    return laneCount() - 1;
}

bool DuzUdozuzeTimeline::lapse(const LaneState &state, const Open &open, Open &next)
{
    if (state.lane.own || state.lastSeen < 0)
        return false;
    next.cause = {};
    if (claims(open.role)) {
        next = {std::max(open.from, state.lastClaim + Table::ClaimTime), Role::Slave, {}};
        next.cause.reason = Reason::ClaimLapsed;
        return true;
    }
    if (open.role == Role::Slave) {
        next = {std::max(open.from, state.lastSeen + Table::StaleTime), Role::Unheard, {}};
        next.cause.reason = Reason::NotHeard;
        return true;
    }
    return false;
}

void DuzUdozuzeTimeline::settle(LaneState &state, qint64 clock)
{
    Open next;
    const int lane = int(&state - m_lanes.data());
    while (lapse(state, state.open, next) && next.from <= clock)
        change(lane, next.role, next.cause, next.from);
}

void DuzUdozuzeTimeline::change(int lane, Role role, const Cause &cause, qint64 clock)
{
    LaneState &state = m_lanes[size_t(lane)];
    // A span of no length is not kept: the one that replaces it began then.
    if (clock > state.open.from) {
        state.spans.push_back({state.open.from, clock, state.open.role, state.open.cause});
        m_closed.push_back(lane);
        ++m_nGeneration;
    }
    state.open = {clock, role, cause};
    prune();
}

void DuzUdozuzeTimeline::prune()
{
    pruneWarnings();
    while (!m_closed.empty()) {
        LaneState &state = m_lanes[size_t(m_closed.front())];
        const Span &oldest = state.spans[state.first];
        if (m_closed.size() <= size_t(MaxSpans) && oldest.until >= m_nNow - MaxAge)
            break;
        m_nFirst = std::max(m_nFirst, oldest.until);
        ++state.first;
        m_closed.pop_front();
        ++m_nDroppedSpans;
        if (state.first >= 64 && state.first * 2 >= state.spans.size()) {
            state.spans.erase(state.spans.begin(), state.spans.begin() + qsizetype(state.first));
            state.first = 0;
        }
    }
}

std::vector<DuzUdozuzeTimeline::Span> DuzUdozuzeTimeline::spans(int lane, qint64 from,
                                                                qint64 until) const
{
    std::vector<Span> found;
    if (!started())
        return found;
    const LaneState &state = m_lanes[size_t(lane)];
    const auto begin
        = std::upper_bound(state.spans.begin() + qsizetype(state.first), state.spans.end(), from,
                           [](qint64 time, const Span &span) { return time < span.until; });
    for (auto span = begin; span != state.spans.end() && span->from < until; ++span)
        found.push_back(*span);
    // The open span, and those it gives way to by now with nothing heard.
    Open open = state.open;
    Open next;
    while (lapse(state, open, next) && next.from < m_nNow) {
        if (next.from > open.from && open.from < until && next.from > from)
            found.push_back({open.from, next.from, open.role, open.cause});
        open = next;
    }
    if (open.from < until && m_nNow >= from)
        found.push_back({open.from, std::max(m_nNow, open.from), open.role, open.cause});
    return found;
}

DuzUdozuzeTimeline::Role DuzUdozuzeTimeline::roleAt(int lane, qint64 clock) const
{
    // The spans follow each other without a gap: the last one begun by then.
    Role role = Role::Unheard;
    for (const Span &span : spans(lane, clock, clock + 1)) {
        if (span.from <= clock)
            role = span.role;
    }
    return role;
}

bool DuzUdozuzeTimeline::inOwnGroup(int lane) const
{
    const Lane &own = m_lanes[0].lane;
    const Lane &other = m_lanes[size_t(lane)].lane;
    return other.channel == own.channel
        && other.system.compare(own.system, Qt::CaseInsensitive) == 0
        && other.alarmSystem.compare(own.alarmSystem, Qt::CaseInsensitive) == 0;
}

QList<int> DuzUdozuzeTimeline::ownGroupClaimersAt(qint64 clock) const
{
    QList<int> claimers;
    for (int lane = 0; lane < laneCount(); ++lane) {
        if (inOwnGroup(lane) && claims(roleAt(lane, clock)))
            claimers.append(this->lane(lane).workstation);
    }
    return claimers;
}

qint64 DuzUdozuzeTimeline::wallOf(qint64 clock) const
{
    if (m_offsets.empty())
        return clock;
    const auto after
        = std::upper_bound(m_offsets.begin(), m_offsets.end(), clock,
                           [](qint64 time, const Offset &o) { return time < o.clock; });
    return clock + (after == m_offsets.begin() ? after : after - 1)->offset;
}

std::vector<DuzUdozuzeTimeline::Piece> DuzUdozuzeTimeline::pieces(qint64 from, qint64 until) const
{
    if (m_offsets.empty())
        return {{from, until, 0}};
    std::vector<Piece> found;
    for (size_t i = 0; i < m_offsets.size(); ++i) {
        const qint64 begin = i == 0 ? from : std::max(from, m_offsets[i].clock);
        const qint64 end
            = i + 1 < m_offsets.size() ? std::min(until, m_offsets[i + 1].clock) : until;
        if (begin < end)
            found.push_back({begin, end, m_offsets[i].offset});
    }
    return found;
}

qint64 DuzUdozuzeTimeline::clockOf(qint64 wall) const
{
    if (m_offsets.empty())
        return wall;
    for (size_t i = 0; i < m_offsets.size(); ++i) {
        const qint64 clock = wall - m_offsets[i].offset;
        const qint64 end = i + 1 < m_offsets.size() ? m_offsets[i + 1].clock : m_nNow + 1;
        if ((i == 0 || clock >= m_offsets[i].clock) && clock < end)
            return clock;
    }
    return wall - m_offsets.back().offset;
}

const DuzUdozuzeTimeline::Warning *DuzUdozuzeTimeline::warningAt(DuzUdozuzeWarningLog::Kind kind,
                                                                 qint64 clock) const
{
    for (auto warning = m_warnings.rbegin(); warning != m_warnings.rend(); ++warning) {
        if (warning->kind == kind && warning->from <= clock
            && (warning->until < 0 || clock < warning->until))
            return &*warning;
    }
    return nullptr;
}

int DuzUdozuzeTimeline::ownChangesAt(qint64 clock, qint64 window) const
{
    int changes = 0;
    const std::vector<Span> own = spans(0, clock - window, clock + 1);
    for (size_t i = 1; i < own.size(); ++i) {
        if (own[i].from > clock - window && own[i].from <= clock
            && claims(own[i].role) != claims(own[i - 1].role))
            ++changes;
    }
    return changes;
}

QList<DuzUdozuzeTimeline::LaneGroup> DuzUdozuzeTimeline::laneGroups() const
{
    QList<LaneGroup> groups;
    QHash<QString, qsizetype> byKey;
    const auto groupOf = [&](int lane) -> LaneGroup & {
        const Lane &of = this->lane(lane);
        const QString key = inOwnGroup(lane) ? QString() : of.group().toUpper();
        const auto found = byKey.constFind(key);
        if (found != byKey.constEnd())
            return groups[*found];
        byKey.insert(key, groups.size());
        groups.append({inOwnGroup(lane) ? this->lane(0).group() : of.group(), {}});
        return groups.last();
    };
    // Without an identity of its own (no system file), this workstation has
    // no lane to draw.
    const bool own = ownKnown();
    if (own)
        groupOf(0);
    for (int lane = own ? 0 : 1; lane < laneCount(); ++lane)
        groupOf(lane).lanes.append(lane);
    std::sort(groups.begin() + (own ? 1 : 0), groups.end(),
              [](const LaneGroup &a, const LaneGroup &b) { return a.name < b.name; });
    for (LaneGroup &group : groups) {
        std::stable_sort(group.lanes.begin(), group.lanes.end(), [this](int a, int b) {
            return std::make_pair(a != 0, lane(a).workstation)
                < std::make_pair(b != 0, lane(b).workstation);
        });
    }
    return groups;
}
