// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzeheadline.h"

#include "protocol/duzudozuzeworkstationtable.h"

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

DuzUdozuzeHeadline past(DuzUdozuzeHeadline headline, bool capture)
{
    if (capture)
        headline.text.prepend(QStringLiteral("At the end: "));
    return headline;
}

} // namespace

DuzUdozuzeHeadline DuzUdozuzeHeadline::of(const DuzUdozuzeWorkstationTable &table, bool listening)
{
    DuzUdozuzeHeadline headline;
    // A recording is the past: said so, and nothing in it asks to be
    // acknowledged.
    const bool capture = !table.source().isLive();
    const int waiting = capture ? 0 : table.unacknowledgedWarnings();
    if (waiting > 0) {
        headline.unacknowledged = waiting == 1
            ? QStringLiteral("1 warning unacknowledged")
            : QStringLiteral("%1 warnings unacknowledged").arg(waiting);
    }
    headline.group = table.ownGroupName();
    headline.tone = Tone::Alarm;
    const QList<int> claimers = table.ownGroupClaimers();
    if (!listening)
        headline.text = QStringLiteral("Not listening");
    else if (table.silent())
        headline.text = QStringLiteral("Nothing heard for %1 s").arg(table.silentFor() / 1000);
    else if (claimers.size() == 2)
        headline.text = QStringLiteral("TWO MASTERS: ") + numbers(claimers);
    else if (claimers.size() > 2)
        headline.text = QStringLiteral("%1 MASTERS: ").arg(claimers.size()) + numbers(claimers);
    else if (table.noMaster())
        headline.text = QStringLiteral("NO MASTER");
    else if (table.flapping())
        headline.text = QStringLiteral("FLAPPING: %1 changes in 10 min").arg(table.ownChanges());
    else
        headline.tone = Tone::Calm;
    if (headline.tone == Tone::Alarm)
        return past(headline, capture);
    // The claims lapse when nothing at all is heard: that silence is the
    // news, not that no one claims.
    const qint64 quiet = table.quietFor();
    if (claimers.isEmpty() && quiet >= DuzUdozuzeWorkstationTable::ClaimTime) {
        headline.text = QStringLiteral("Nothing heard for %1 s").arg(quiet / 1000);
        headline.tone = Tone::Stale;
    } else if (claimers.isEmpty()) {
        headline.text = QStringLiteral("Master: none");
    } else {
        const DuzUdozuzeWorkstationTable::Row &own = table.row(0);
        const bool ownClaim = own.master && claimers.constFirst() == own.workstation;
        headline.text = QStringLiteral("Master: workstation %1").arg(claimers.constFirst())
            + (ownClaim ? QStringLiteral(" (this one)") : QString());
    }
    return past(headline, capture);
}
