// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzesession.h"

#include "common/duzudozuzeipv4.h"
#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "common/duzudozuzewiretext.h"
#include "protocol/duzudozuzereception.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <algorithm>
#include <cstring>

namespace {

// Whether a filter's pattern lets every text through, so that it need not
// run: empty, or any characters at all.
bool passesAll(const QRegularExpression &filter)
{
    return filter.pattern().isEmpty() || filter.pattern() == QLatin1String(".*");
}

// The notifier's type the lines name: it watches for reading.
constexpr QLatin1StringView TypeText(". type 0");

// The sender as the lines name it, "address:port", written into text.
QLatin1StringView senderText(char (&text)[24], quint32 address, quint16 port)
{
    char *end = duzUdozuzeIpv4Write(text, address);
    *end++ = ':';
    char digits[5];
    int count = 0;
    do {
        digits[count++] = char('0' + port % 10);
        port /= 10;
    } while (port > 0);
    while (count > 0)
        *end++ = digits[--count];
    return QLatin1StringView(text, end - text);
}

// A line of the time of day and the pieces, made in one allocation and
// written in place, as lines come here several thousand a second.
template<typename... Pieces> QString joined(DuzUdozuzeWallMs wall, const Pieces &...pieces)
{
    QString line(DuzUdozuzeLogLine::TimeTextSize + (qsizetype(pieces.size()) + ...),
                 Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(line.data());
    DuzUdozuzeLogLine::writeTimeText(out, duzUdozuzeMsCount(wall));
    out += DuzUdozuzeLogLine::TimeTextSize;
    const auto write = [&out](QLatin1StringView piece) {
        for (const char c : piece)
            *out++ = uchar(c);
    };
    (write(pieces), ...);
    return line;
}

} // namespace

DuzUdozuzeSession::DuzUdozuzeSession(const DuzUdozuzeSettings &settings, Sink &sink, Time start)
    : m_settings(settings),
      m_sink(sink),
      m_now(start),
      m_nextTick(start.clock + TickInterval),
      m_workstations([this] { return m_now.clock; }, [this] { return m_now.wall; }),
      m_timeline(duzUdozuzeWireText(settings.m_strHxSystem),
                 duzUdozuzeWireText(settings.m_strAlarmSystem), settings.m_nWorkstation,
                 settings.m_nChannel),
      m_bSystemFilter(!passesAll(settings.m_reHxSystemFilter)),
      m_bAlarmSystemFilter(!passesAll(settings.m_reAlarmSystemFilter))
{
    // The own row is keyed by the names as the own datagrams carry them.
    m_workstations.setOwnIdentity(duzUdozuzeWireText(settings.m_strHxSystem),
                                  duzUdozuzeWireText(settings.m_strAlarmSystem),
                                  settings.m_nWorkstation, settings.m_nChannel);
}

void DuzUdozuzeSession::startListening(Time now)
{
    m_now = now;
    m_nextTick = now.clock + TickInterval;
    m_timeline.start(duzUdozuzeMsCount(now.clock), duzUdozuzeMsCount(now.wall), true);
    if (m_settings.m_nSilenceTime > 0)
        m_workstations.setSilence(std::chrono::seconds(m_settings.m_nSilenceTime),
                                  m_settings.m_nPort);
}

QString DuzUdozuzeSession::timeText() const
{
    return DuzUdozuzeLogLine::timeText(duzUdozuzeMsCount(m_now.wall));
}

void DuzUdozuzeSession::setRespondAutomatically(bool on)
{
    m_bRespondAutomatically = on;
    m_workstations.setOwnWatching(!on);
}

void DuzUdozuzeSession::setOk(bool ok)
{
    m_mastership.setOk(ok);
    m_workstations.setOwnHealthy(ok);
    DuzUdozuzeTimeline::Cause cause;
    cause.reason = DuzUdozuzeTimeline::Reason::Mode;
    m_timeline.ownChanged(isMaster(), ok, cause, duzUdozuzeMsCount(m_now.clock));
}

void DuzUdozuzeSession::clearWorkstations()
{
    report(m_workstations.clear());
    m_timeline.cleared(duzUdozuzeMsCount(m_now.clock));
}

void DuzUdozuzeSession::report(const DuzUdozuzeWorkstationTable::Events &events)
{
    for (const DuzUdozuzeWorkstationTable::Event &event : events) {
        m_timeline.warned(event, duzUdozuzeMsCount(m_now.clock));
        m_sink.warned(event.raised, event.text);
    }
}

// The table's ticks step on their grid, but only where one can change
// something: a source whose clock jumps by years costs a few ticks, not one
// a second. A tick's time of day follows the last one known.
void DuzUdozuzeSession::advance(Time now)
{
    for (;;) {
        DuzUdozuzeSourceMs due = m_workstations.nextChange();
        if (m_nSuppressedUnreported > 0)
            due = std::min(due, m_suppressedReported + std::chrono::seconds(1));
        if (due > m_nextTick) {
            const qint64 steps = (std::min(due, now.clock + TickInterval) - m_nextTick
                                  + TickInterval - std::chrono::milliseconds(1))
                / TickInterval;
            m_nextTick += steps * TickInterval;
        }
        if (m_nextTick > now.clock)
            break;
        m_now = {m_nextTick, m_now.wall + (m_nextTick - m_now.clock)};
        report(m_workstations.tick());
        if (m_now.clock - m_suppressedReported >= std::chrono::seconds(1))
            reportSuppressedAnswers();
        m_nextTick += TickInterval;
    }
    m_now = now;
    m_timeline.advance(duzUdozuzeMsCount(now.clock), duzUdozuzeMsCount(now.wall));
}

void DuzUdozuzeSession::receive(const char *data, qint64 available, qint64 length, quint32 address,
                                quint16 port, Time now)
{
    advance(now);
    ++m_counts.received;
    m_lastDatagramTime = now.wall;
    m_timeline.received(duzUdozuzeMsCount(now.clock));
    report(m_workstations.heard());

    // The text is what precedes the first zero byte. A datagram longer than
    // the buffer, or cut short by a capture, is quoted as far as it was read
    // and not acted on: its fields past the cut are unknown.
    const bool cut = length > MaxDatagramSize || available < length;
    const QByteArrayView raw(
        data, qsizetype(::strnlen(data, size_t(qBound<qint64>(0, available, MaxDatagramSize)))));
    // The datagram before is parsed over: a field that reads as it did is
    // not made anew.
    DuzUdozuzeStatusDatagram *datagram
        = !cut && DuzUdozuzeStatusDatagram::parse(raw, m_datagram) ? &m_datagram : nullptr;
    if (datagram
        && ((m_bSystemFilter && !m_settings.m_reHxSystemFilter.match(datagram->system).hasMatch())
            || (m_bAlarmSystemFilter
                && !m_settings.m_reAlarmSystemFilter.match(datagram->alarmSystem).hasMatch())
            || !DuzUdozuzeReception::passesNumberFilters(*datagram, m_settings))) {
        ++m_counts.filtered;
        counted();
        return;
    }

    // Only a datagram that is logged is quoted; its lines are made here,
    // without a format, as they come several thousand a second.
    const bool plain = std::none_of(raw.begin(), raw.end(),
                                    [](char c) { return DuzUdozuzeLogLine::isControl(uchar(c)); });
    const QByteArray escaped = plain ? QByteArray() : DuzUdozuzeLogLine::escaped(raw.toByteArray());
    const QLatin1StringView quoted = plain ? QLatin1StringView(raw) : QLatin1StringView(escaped);
    char senderBuffer[24];
    const QLatin1StringView sender = senderText(senderBuffer, address, port);
    if (!datagram) {
        ++m_counts.notCurrentFormat;
        m_sink.logLine(joined(m_now.wall, QLatin1StringView(" Received '"), quoted,
                              QLatin1StringView("'. Not current format. "), sender, TypeText));
        counted();
        return;
    }
    ++m_counts.shown;
    m_sink.logLine(joined(m_now.wall, QLatin1StringView(" Received '"), quoted,
                          QLatin1StringView("'. "), sender, TypeText));
    counted();
    report(m_workstations.update(*datagram, address, port));
    m_timeline.heard(m_workstations, m_workstations.updated(), duzUdozuzeMsCount(now.clock));

    if (!m_bRespondAutomatically)
        return;
    if (const char *failure = respondCheckFailure(*datagram)) {
        say(failure);
        return;
    }
    m_sink.logLine(joined(m_now.wall, QLatin1StringView(" Received Data is '"), quoted,
                          QLatin1StringView("'. Address "), sender, TypeText,
                          QLatin1StringView(".")));
    const bool wasMaster = isMaster();
    handleMessageCode(datagram->code, datagram->healthWord);
    if (isMaster() != wasMaster) {
        report(m_workstations.ownModeChanged(isMaster(), datagram->code, address,
                                             datagram->workstation));
        m_timeline.ownChanged(isMaster(), isOk(),
                              DuzUdozuzeTimeline::Cause::datagram(datagram->code, address),
                              duzUdozuzeMsCount(m_now.clock));
    }
}

// The names' checks upper-case them: their answer for the last names heard
// is kept, as datagrams come from a few systems.
const char *DuzUdozuzeSession::respondCheckFailure(const DuzUdozuzeStatusDatagram &datagram)
{
    CheckedNames &checked = m_checkedNames;
    if (!(datagram.system == checked.system && datagram.alarmSystem == checked.alarmSystem
          && m_settings.m_strHxSystem == checked.ownSystem
          && m_settings.m_strAlarmSystem == checked.ownAlarmSystem)) {
        checked = {datagram.system, datagram.alarmSystem, m_settings.m_strHxSystem,
                   m_settings.m_strAlarmSystem,
                   DuzUdozuzeReception::namesCheckFailure(datagram, m_settings)};
    }
    return checked.failure ? checked.failure
                           : DuzUdozuzeReception::numbersCheckFailure(datagram, m_settings);
}

void DuzUdozuzeSession::say(const char *text)
{
    m_sink.logLine(joined(m_now.wall, QLatin1StringView(" "), QLatin1StringView(text)));
}

// A workstation without a number of its own could not tell its answers,
// coming back, from those of others: it would act on its own "NO".
QString DuzUdozuzeSession::answersNotSentReason() const
{
    if (!m_workstations.source().sendsAnswers())
        return m_workstations.source().answersNotSent;
    return m_settings.m_nWorkstation < 0 ? QStringLiteral("no workstation number") : QString();
}

void DuzUdozuzeSession::handleMessageCode(const QString &code, const QString &healthWord)
{
    const bool wasMaster = m_mastership.isMaster();
    const DuzUdozuzeMastership::Step step = m_mastership.decide(code, healthWord);
    say(step.line.constData());
    m_mastership.apply(step);
    if (step.master != wasMaster)
        m_sink.modeChanged(step.master);
    if (!step.answerNo)
        return;
    // Without a number of its own, nothing is answered, nor told.
    if (m_settings.m_nWorkstation < 0) {
        ++m_counts.answersNotSent;
        counted();
        return;
    }
    if (m_answerLimit.take(duzUdozuzeMsCount(m_now.clock))) {
        m_timeline.answered();
        broadcastStatus(QStringLiteral("NO"));
    } else
        suppressAnswer();
}

// An answer over the limit is not sent: a flood of "NA" sent to this
// workstation alone must not become a broadcast storm on the whole network.
// The first is told at once, the rest once a second of the source's clock.
void DuzUdozuzeSession::suppressAnswer()
{
    ++m_counts.answersSuppressed;
    ++m_nSuppressedUnreported;
    counted();
    if (m_counts.answersSuppressed == m_nSuppressedUnreported
        || m_now.clock - m_suppressedReported >= std::chrono::seconds(1))
        reportSuppressedAnswers();
}

void DuzUdozuzeSession::reportSuppressedAnswers()
{
    if (m_nSuppressedUnreported == 0)
        return;
    logPrintf("%llu answers suppressed: more than %d a second",
              static_cast<unsigned long long>(m_nSuppressedUnreported), MaxAnswersPerSecond);
    m_nSuppressedUnreported = 0;
    m_suppressedReported = m_now.clock;
}

QByteArray DuzUdozuzeSession::statusDatagram(const QString &code) const
{
    return DuzUdozuzeStatusDatagram::format(code, m_settings.m_strHxSystem,
                                            m_settings.m_strAlarmSystem, m_settings.m_nWorkstation,
                                            m_settings.m_nChannel, m_mastership.isOk());
}

// Where answers are not sent, the line the answer would have made live, and
// nothing sent.
void DuzUdozuzeSession::broadcastStatus(const QString &code)
{
    const QByteArray text = statusDatagram(code);
    if (!m_workstations.source().sendsAnswers()) {
        ++m_counts.answersNotSent;
    } else if (m_sink.sendStatus(text)) {
        ++m_counts.answersSent;
    } else {
        logPrintf("client socket write error");
        return;
    }
    logPrintf("**Broadcasting WS:%d Master:%d '%s'", m_settings.m_nWorkstation,
              m_mastership.masterWorkstation(), DuzUdozuzeLogLine::escaped(text).constData());
    counted();
}
