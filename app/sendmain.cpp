// SPDX-License-Identifier: MIT
// duzudozuze-send: sends status datagrams, for trying out and testing
// workstations. There is no default destination, so nothing is broadcast by
// accident.

#include "common/duzudozuzewiretext.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzesocketdevice.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

namespace {

constexpr double MinRate = 1.0 / (24 * 60 * 60);

int fail(const QString &message)
{
    std::fprintf(stderr, "duzudozuze-send: %s\nTry 'duzudozuze-send --help'.\n",
                 message.toLocal8Bit().constData());
    return 2;
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
                       "Exit status: 0 when every datagram was sent, 1 when one could not "
                       "be, 2 for wrong arguments.\n"
                       "Example: duzudozuze-send --to 127.0.0.1 --port 9300 NA north Fire "
                       "2 3 OK"));
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
    parser.addOptions({to, port, count, rate, raw});
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

    QByteArray payload;
    const QStringList fields = parser.positionalArguments();
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

    DuzUdozuzeSocketDevice device;
    // So that a broadcast destination works where the operator asked for one.
    device.setOption(DuzUdozuzeSocketDevice::Option::Broadcast, 1);
    const auto start = std::chrono::steady_clock::now();
    for (qulonglong i = 0; i < total; ++i) {
        if (perSecond > 0) {
            std::this_thread::sleep_until(
                start
                + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(double(i) / perSecond)));
        }
        if (device.writeDatagram(payload, *address, quint16(portNumber)) < 0) {
            // A full send buffer is no reason to stop a burst.
            if (device.wouldBlock()) {
                std::this_thread::sleep_for(std::chrono::microseconds(50));
                --i;
                continue;
            }
            std::fprintf(stderr, "duzudozuze-send: %s\n",
                         device.errorString().toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
