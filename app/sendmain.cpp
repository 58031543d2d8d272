// SPDX-License-Identifier: MIT
// duzudozuze-send: sends status datagrams, for trying out and testing
// workstations. There is no default destination, so nothing is broadcast by
// accident.

#include "common/duzudozuzewiretext.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzecapturereader.h"
#include "net/duzudozuzesocketdevice.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

namespace {

// The longest pause the sender takes: a longer one is a mistake, and would
// overflow the clock.
constexpr double MaxPause = 24 * 60 * 60;
constexpr double MinRate = 1.0 / MaxPause;

int fail(const QString &message)
{
    std::fprintf(stderr, "duzudozuze-send: %s\nTry 'duzudozuze-send --help'.\n",
                 message.toLocal8Bit().constData());
    return 2;
}

void tell(const QString &message)
{
    std::fprintf(stderr, "duzudozuze-send: %s\n", message.toLocal8Bit().constData());
}

using Clock = std::chrono::steady_clock;

Clock::duration seconds(double count)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(count));
}

// Sends the datagrams, as many a call as the socket takes; a full send buffer
// is waited out, not a reason to stop a burst. False, and the error told,
// when one cannot be sent.
bool send(DuzUdozuzeSocketDevice &device, const std::vector<QByteArray> &payloads, quint32 address,
          quint16 port)
{
    for (size_t done = 0; done < payloads.size();) {
        const int sent = device.writeDatagrams(payloads.data() + done, int(payloads.size() - done),
                                               address, port);
        if (sent >= 0) {
            done += size_t(sent);
        } else if (device.wouldBlock()) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        } else {
            tell(device.errorString());
            return false;
        }
    }
    return true;
}

// The capture's UDP datagrams to capturePort, their payloads as they are, at
// the capture's own spacing divided by speed (0: as fast as the socket takes
// them); a gap longer than maxGap seconds counts as maxGap, and is told, so
// that a capture spanning a night or a clock set right does not hold the
// replay up in silence. Prints what was sent and the rate kept; 0, 2 when the
// file is no capture that can be opened (what was given), or 1 when a
// datagram could not be sent or the file not read to its end (what went wrong
// part way).
int replay(DuzUdozuzeSocketDevice &device, const QString &path, quint32 address, quint16 port,
           quint16 capturePort, double speed, double maxGap)
{
    DuzUdozuzeCaptureReader reader(path);
    if (!reader.isOpen())
        return fail(QStringLiteral("cannot read the capture %1: %2").arg(path, reader.error()));
    DuzUdozuzeCaptureReader::Datagram datagram;
    // As fast as the socket takes them, a batch a call.
    const size_t batchSize = speed > 0 ? 1 : 64;
    std::vector<QByteArray> batch;
    quint64 sent = 0;
    quint64 cut = 0;
    using Seconds = std::chrono::duration<double>;
    const auto longestGap = std::chrono::duration_cast<std::chrono::microseconds>(Seconds(maxGap));
    std::optional<DuzUdozuzeWallUs> first;
    DuzUdozuzeWallUs last;
    std::chrono::microseconds due {
        0}; // the capture's time since the first datagram, the long gaps cut
    Clock::time_point start;
    int code = 0;
    for (DuzUdozuzeCaptureReader::Result result;
         (result = reader.next(datagram)) != DuzUdozuzeCaptureReader::Result::End;) {
        if (result == DuzUdozuzeCaptureReader::Result::Error) {
            tell(QStringLiteral("%1: packet %2: %3")
                     .arg(path, QString::number(reader.packetNumber() + 1), reader.error()));
            code = 1;
            break;
        }
        if (result != DuzUdozuzeCaptureReader::Result::Datagram
            || datagram.destinationPort != capturePort) {
            continue;
        }
        // What the capture cut short would not be the same datagram.
        if (datagram.payload.size() < datagram.length) {
            ++cut;
            continue;
        }
        if (!first) {
            first = datagram.time;
            last = datagram.time;
            start = Clock::now();
        }
        // A clock stepped back is no gap.
        const std::chrono::microseconds gap
            = std::max(datagram.time - last, std::chrono::microseconds::zero());
        last = datagram.time;
        if (speed > 0) {
            if (gap > longestGap) {
                tell(QStringLiteral("a gap of %1 s in the capture cut to %2 s at packet %3")
                         .arg(QString::number(Seconds(gap).count(), 'f', 3),
                              QString::number(maxGap), QString::number(reader.packetNumber())));
            }
            due += std::min(gap, longestGap);
            std::this_thread::sleep_until(start + seconds(Seconds(due).count() / speed));
        }
        batch.push_back(datagram.payload.toByteArray());
        if (batch.size() < batchSize)
            continue;
        if (!send(device, batch, address, port)) {
            code = 1;
            break;
        }
        sent += batch.size();
        batch.clear();
    }
    if (code == 0) {
        if (send(device, batch, address, port))
            sent += batch.size();
        else
            code = 1;
    }
    const double took = sent > 0 ? std::chrono::duration<double>(Clock::now() - start).count() : 0;
    std::printf("Sent %llu datagrams in %.3f s (%.0f a second); the capture spans %.3f s\n",
                static_cast<unsigned long long>(sent), took, took > 0 ? sent / took : 0.0,
                sent > 0 ? Seconds(last - *first).count() : 0.0);
    if (cut > 0)
        tell(QStringLiteral("%1 datagrams cut short by the capture not sent").arg(cut));
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("duzudozuze-send"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DUZUDOZUZE_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends status datagrams CODE:SYSTEM:ALARMSYSTEM:WORKSTATION:CHANNEL:"
                       "HEALTH, or a raw text, to a DuzUdozuze port.\n"
                       "There is no default destination: nothing is broadcast by accident.\n"
                       "Exit status: 0 when every datagram was sent; 2 for what was given "
                       "wrong: an argument, or a capture that cannot be opened or is none; 1 "
                       "for what went wrong later: a capture cut short part way, or a datagram "
                       "that could not be sent.\n"
                       "Example: duzudozuze-send --to 127.0.0.1 --port 9300 NA north Fire "
                       "2 3 OK\n"
                       "Replaying a capture into a lab: duzudozuze-send --to 10.1.0.255 "
                       "--replay incident.pcap --speed 10"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Destination IPv4 address (required)."),
                                QStringLiteral("address"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Destination UDP port (default 9208)."),
                                  QStringLiteral("port"), QStringLiteral("9208"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("How many datagrams to send (default 1)."),
                                   QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Datagrams per second (default: no pause)."),
                                  QStringLiteral("per-second"), QStringLiteral("0"));
    const QCommandLineOption raw(QStringLiteral("raw"),
                                 QStringLiteral("Send this text as it is instead of six fields."),
                                 QStringLiteral("text"));
    const QCommandLineOption replayFile(
        QStringLiteral("replay"),
        QStringLiteral("Send the status datagrams of a capture (pcap or pcapng, as tcpdump -w "
                       "writes it), payloads unchanged, at their original spacing."),
        QStringLiteral("file"));
    const QCommandLineOption capturePort(
        QStringLiteral("capture-port"),
        QStringLiteral("With --replay: the port the capture's datagrams went to (default 9208)."),
        QStringLiteral("port"), QStringLiteral("9208"));
    const QCommandLineOption speed(QStringLiteral("speed"),
                                   QStringLiteral("With --replay: this many times faster."),
                                   QStringLiteral("factor"), QStringLiteral("1"));
    const QCommandLineOption fast(
        QStringLiteral("fast"), QStringLiteral("With --replay: as fast as the socket takes them."));
    const QCommandLineOption maxGap(
        QStringLiteral("max-gap"),
        QStringLiteral("With --replay: a longer gap between two datagrams of the capture counts "
                       "as this many seconds, before --speed, and is told (default 60)."),
        QStringLiteral("seconds"), QStringLiteral("60"));
    parser.addOptions({to, port, count, rate, raw, replayFile, capturePort, speed, fast, maxGap});
    parser.addPositionalArgument(QStringLiteral("fields"),
                                 QStringLiteral("CODE SYSTEM ALARMSYSTEM WORKSTATION CHANNEL "
                                                "HEALTH (HEALTH: OK or Fail)"));
    // Wrong arguments end with 2, as the help says, whatever is wrong.
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    if (!parser.isSet(to))
        return fail(QStringLiteral("--to is required"));
    const auto address = DuzUdozuzeAddress::parse(parser.value(to));
    if (!address)
        return fail(QStringLiteral("not a dotted IPv4 address: '%1'").arg(parser.value(to)));
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok, 10);
    if (!ok || portNumber == 0 || portNumber > 0xFFFF)
        return fail(QStringLiteral("not a port number: '%1'").arg(parser.value(port)));
    const qulonglong total = parser.value(count).toULongLong(&ok, 10);
    if (!ok || total == 0)
        return fail(QStringLiteral("not a count: '%1'").arg(parser.value(count)));
    // 0 is no pause; a slower rate than one a day is a mistake, and would
    // overflow the clock.
    const double perSecond = parser.value(rate).toDouble(&ok);
    if (!ok || !std::isfinite(perSecond) || perSecond < 0 || (perSecond > 0 && perSecond < MinRate))
        return fail(
            QStringLiteral("not a rate: '%1' (0, or from one a day up)").arg(parser.value(rate)));

    DuzUdozuzeSocketDevice device;
    // So that a broadcast destination works where the operator asked for one.
    device.setOption(DuzUdozuzeSocketDevice::Option::Broadcast, 1);
    QByteArray payload;
    const QStringList fields = parser.positionalArguments();
    if (parser.isSet(replayFile)) {
        if (!fields.isEmpty() || parser.isSet(raw) || parser.isSet(count) || parser.isSet(rate))
            return fail(QStringLiteral("--replay takes no fields, --raw, --count or --rate"));
        const uint from = parser.value(capturePort).toUInt(&ok, 10);
        if (!ok || from == 0 || from > 0xFFFF)
            return fail(QStringLiteral("not a port number: '%1'").arg(parser.value(capturePort)));
        const double longest = parser.value(maxGap).toDouble(&ok);
        if (!ok || !(longest > 0 && longest <= MaxPause))
            return fail(QStringLiteral("not a gap: '%1' (seconds, more than 0, at most a day)")
                            .arg(parser.value(maxGap)));
        // However slow, the longest gap is waited out within a day.
        const double factor = parser.value(speed).toDouble(&ok);
        if (!ok || !std::isfinite(factor) || factor <= 0 || longest / factor > MaxPause)
            return fail(
                QStringLiteral("not a speed: '%1' (more than 0, a gap of %2 s waited within a day)")
                    .arg(parser.value(speed), QString::number(longest)));
        return replay(device, parser.value(replayFile), *address, quint16(portNumber),
                      quint16(from), parser.isSet(fast) ? 0 : factor, longest);
    }
    if (parser.isSet(raw)) {
        if (!fields.isEmpty())
            return fail(QStringLiteral("--raw takes no fields"));
        payload = duzUdozuzeWireBytes(parser.value(raw));
    } else {
        if (fields.size() != 6)
            return fail(QStringLiteral("six fields are needed, %1 given").arg(fields.size()));
        // A colon would make more fields, an empty field fewer.
        for (const QString &field : fields) {
            if (field.isEmpty() || field.contains(QLatin1Char(':')))
                return fail(QStringLiteral("a field is empty or has a ':' in it: '%1'").arg(field));
        }
        payload = DuzUdozuzeStatusDatagram::compose(fields.at(0), fields.at(1), fields.at(2),
                                                    fields.at(3), fields.at(4), fields.at(5));
    }

    const std::vector<QByteArray> one {payload};
    const Clock::time_point start = Clock::now();
    for (qulonglong i = 0; i < total; ++i) {
        if (perSecond > 0)
            std::this_thread::sleep_until(start + seconds(double(i) / perSecond));
        if (!send(device, one, *address, quint16(portNumber)))
            return 1;
    }
    return 0;
}
