// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzeheadline.h"

#include "protocol/duzudozuzetimeline.h"
#include "protocol/duzudozuzewarnings.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QDateTime>

namespace {

// "4 and 5", "4, 5 and 6", the first few of a crowd and how many more.
QString numbers(const QList<int> &claimers)
{
    constexpr int Named = DuzUdozuzeWorkstationTable::MaxNamed;
    QStringList names;
    for (qsizetype i = 0; i < claimers.size() && i < Named; ++i)
        names.append(QString::number(claimers.at(i)));
    const qsizetype more = claimers.size() - names.size();
    const QString last = more > 0 ? QStringLiteral("%1 more").arg(more) : names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

} // namespace

DuzUdozuzeHeadline DuzUdozuzeHeadline::of(const DuzUdozuzeWorkstationTable &table, bool listening)
{
    // A recording is the past: said so, and nothing in it asks to be
    // acknowledged.
    const bool capture = !table.source().isLive();
    Facts facts;
    facts.listening = listening;
    facts.silent = table.silent();
    facts.silentFor = table.silentFor();
    facts.claimers = table.ownGroupClaimers();
    facts.noMaster = table.noMaster();
    facts.flapping = table.flapping();
    facts.ownChanges = table.ownChanges();
    facts.quietFor = table.quietFor();
    facts.ownWorkstation = table.row(0).workstation;
    facts.ownMaster = table.row(0).master;
    DuzUdozuzeHeadline headline = from(facts, capture ? QStringLiteral("At the end: ") : QString());
    headline.group = table.ownGroupName();
    const int waiting = capture ? 0 : table.unacknowledgedWarnings();
    if (waiting > 0) {
        headline.unacknowledged = waiting == 1
            ? QStringLiteral("1 warning unacknowledged")
            : QStringLiteral("%1 warnings unacknowledged").arg(waiting);
    }
    return headline;
}

DuzUdozuzeHeadline DuzUdozuzeHeadline::from(const Facts &facts, const QString &prefix)
{
    DuzUdozuzeHeadline headline;
    headline.tone = Tone::Alarm;
    const QList<int> &claimers = facts.claimers;
    if (!facts.listening)
        headline.text = QStringLiteral("Not listening");
    else if (facts.silent)
        headline.text = QStringLiteral("Nothing heard for %1 s").arg(facts.silentFor / 1000);
    else if (claimers.size() == 2)
        headline.text = QStringLiteral("TWO MASTERS: ") + numbers(claimers);
    else if (claimers.size() > 2)
        headline.text = QStringLiteral("%1 MASTERS: ").arg(claimers.size()) + numbers(claimers);
    else if (facts.noMaster)
        headline.text = QStringLiteral("NO MASTER");
    else if (facts.flapping)
        headline.text = QStringLiteral("FLAPPING: %1 changes in 10 min").arg(facts.ownChanges);
    // The claims lapse when nothing at all is heard: that silence is the
    // news, not that no one claims.
    else if (claimers.isEmpty() && facts.quietFor >= DuzUdozuzeWorkstationTable::ClaimTime) {
        headline.text = QStringLiteral("Nothing heard for %1 s").arg(facts.quietFor / 1000);
        headline.tone = Tone::Stale;
    } else if (claimers.isEmpty()) {
        headline.text = QStringLiteral("Master: none");
        headline.tone = Tone::Calm;
    } else {
        const bool ownClaim = facts.ownMaster && claimers.constFirst() == facts.ownWorkstation;
        headline.text = QStringLiteral("Master: workstation %1").arg(claimers.constFirst())
            + (ownClaim ? QStringLiteral(" (this one)") : QString());
        headline.tone = Tone::Calm;
    }
    headline.text.prepend(prefix);
    return headline;
}

DuzUdozuzeHeadline DuzUdozuzeHeadline::at(const DuzUdozuzeTimeline &timeline, qint64 clock)
{
    using Kind = DuzUdozuzeWarningLog::Kind;
    Facts facts;
    facts.listening = timeline.roleAt(0, clock) != DuzUdozuzeTimeline::Role::Unheard;
    if (const DuzUdozuzeTimeline::Warning *silence = timeline.warningAt(Kind::Silence, clock)) {
        facts.silent = true;
        facts.silentFor = clock - (silence->lastHeard >= 0 ? silence->lastHeard : silence->from);
    }
    facts.claimers = timeline.ownGroupClaimersAt(clock);
    facts.noMaster = timeline.warningAt(Kind::NoMaster, clock) != nullptr;
    facts.flapping = timeline.warningAt(Kind::Flapping, clock) != nullptr;
    facts.ownChanges = timeline.ownChangesAt(clock, DuzUdozuzeWarnings::FlappingWindow);
    facts.ownWorkstation = timeline.lane(0).workstation;
    const DuzUdozuzeTimeline::Role own = timeline.roleAt(0, clock);
    facts.ownMaster
        = own == DuzUdozuzeTimeline::Role::Master || own == DuzUdozuzeTimeline::Role::Unhealthy;
    const QString time = QDateTime::fromMSecsSinceEpoch(timeline.wallOf(clock))
                             .toString(QStringLiteral("HH:mm:ss"));
    DuzUdozuzeHeadline headline = from(facts, QStringLiteral("At %1: ").arg(time));
    const DuzUdozuzeTimeline::Lane &ownLane = timeline.lane(0);
    headline.group = DuzUdozuzeWorkstationTable::groupName(ownLane.system, ownLane.alarmSystem,
                                                           ownLane.channel);
    return headline;
}
