// SPDX-License-Identifier: MIT
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzecapturereader.h"
#include "net/duzudozuzesocketdevice.h"
#include "net/duzudozuzestation.h"
#include "netsupport.h"
#include "stationsupport.h"

#include <QSignalSpy>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>

// The session's UDP source and answer sender: a datagram's whole road on real
// sockets bound to 127.0.0.1, the answer on the wire and back, a burst read
// in batches, what a recording keeps of a datagram, and a failed read. The workstation under test
// is number 7 of system "north", alarm system "Fire", channel 3.
class TestReception : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void healthyMasterAnswersNo();
    void ownAnswerComesBack();
    void burstIsReadInOrderAtItsArrival();
    void recordsTheDatagramsOwnDestination();
    void readErrorIsLoggedOnce();

private:
    std::unique_ptr<DuzUdozuzeStation> listen(QStringList args);
    void send(const QByteArray &payload);
    QString from() const;

    HostInstallation host;
    RecordingSink sink;
    DuzUdozuzeSocketDevice sender;
    quint16 port = 0;
};

namespace {
const quint32 Loopback = 0x7F000001; // 127.0.0.1
const quint32 Loopback2 = 0x7F000002; // 127.0.0.2

} // namespace

void TestReception::initTestCase()
{
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
    QVERIFY(sender.bind(Loopback, 0));
}

std::unique_ptr<DuzUdozuzeStation> TestReception::listen(QStringList args)
{
    sink.lines.clear();
    // A port of its own (bound by number, so that it stays through a
    // connect and disconnect).
    args.prepend(QStringLiteral("/port=%1").arg(freePort()));
    args.prepend(QStringLiteral("/host=127.0.0.1"));
    auto socket
        = std::make_unique<DuzUdozuzeStation>(host.root(), QStringLiteral("north"), 7, args, &sink);
    socket->start();
    port = boundPort(*socket);
    sink.lines.clear();
    return socket;
}

void TestReception::send(const QByteArray &payload)
{
    QCOMPARE(sender.writeDatagram(payload, Loopback, port), qint64(payload.size()));
}

QString TestReception::from() const
{
    return QStringLiteral("127.0.0.1:%1").arg(sender.localPort());
}

void TestReception::healthyMasterAnswersNo()
{
    const auto socket = listen({QStringLiteral("/to=127.0.0.2")});
    DuzUdozuzeSocketDevice other;
    QVERIFY(other.bind(Loopback2, port));
    QSocketNotifier answered(other.descriptor(), QSocketNotifier::Read);
    QSignalSpy answers(&answered, &QSocketNotifier::activated);
    QSignalSpy mastership(socket.get(), &DuzUdozuzeStation::mastershipChanged);

    socket->session().setRespondAutomatically(true);
    socket->session().setOk(true);
    send("NC:north:Fire:2:3:OK");
    QTRY_VERIFY(socket->session().isMaster());
    QCOMPARE(mastership.count(), 1);
    send("NA:north:Fire:2:3:OK");
    QTRY_COMPARE(sink.lines.size(), 7);
    QTRY_VERIFY(answers.count() > 0);

    char buffer[256];
    quint32 address = 0;
    quint16 answerPort = 0;
    const qint64 count = other.readDatagram(buffer, sizeof buffer, &address, &answerPort);
    QCOMPARE(QByteArray(buffer, int(count)), QByteArray("NO:north:Fire:7:3:OK"));
    QCOMPARE(answerPort, port);
    QCOMPARE(other.readDatagram(buffer, sizeof buffer, &address, &answerPort), qint64(-1));

    QCOMPARE(sink.texts().constLast(),
             QStringLiteral("**Broadcasting WS:7 Master:0 'NO:north:Fire:7:3:OK'"));
    QCOMPARE(socket->session().counts().answersSent, 1u);
}

void TestReception::ownAnswerComesBack()
{
    const auto socket = listen({QStringLiteral("/to=127.0.0.1")});
    socket->session().setRespondAutomatically(true);
    socket->session().setOk(false);
    send("NC:north:Fire:2:3:OK");
    send("NA:north:Fire:2:3:Fail");
    // NC: 3 lines; NA with Fail to an unhealthy master: 3 lines and the answer;
    // the answer comes back to this socket and stops at the self check.
    QTRY_COMPARE(sink.lines.size(), 9);
    const QStringList texts = sink.texts();
    QCOMPARE(texts.at(6), QStringLiteral("**Broadcasting WS:7 Master:0 'NO:north:Fire:7:3:Fail'"));
    QCOMPARE(texts.at(7),
             QStringLiteral("Received 'NO:north:Fire:7:3:Fail'. 127.0.0.1:%1. type 0").arg(port));
    QCOMPARE(texts.at(8), QStringLiteral("It's from me."));
    QVERIFY(socket->session().isMaster());
}

// Several batches' worth sent at once, while the event loop is kept from
// them: every line in the order sent, stamped when they came.
void TestReception::burstIsReadInOrderAtItsArrival()
{
    const auto socket = listen({});
    QList<QByteArray> burst;
    QStringList expected;
    for (int i = 1; i <= 200; ++i) {
        burst.append(QStringLiteral("NA:x:y:%1:2:OK").arg(i).toLatin1());
        expected.append(QStringLiteral("Received '%1'. %2. type 0")
                            .arg(QLatin1String(burst.constLast()), from()));
    }
    for (int sent = 0; sent < burst.size();)
        sent += sender.writeDatagrams(burst.constData() + sent, int(burst.size()) - sent, Loopback,
                                      port);
    const DuzUdozuzeWallMs sent = duzUdozuzeWallNow();
    while (duzUdozuzeWallNow() < sent + std::chrono::milliseconds(2)) { }
    const DuzUdozuzeWallMs read = duzUdozuzeWallNow();
    QTRY_COMPARE(sink.lines.size(), burst.size());
    QCOMPARE(sink.texts(), expected);
    QVERIFY(socket->session().lastDatagramTime() < read);
}

// Bound to every address and to a port the system chose, a datagram to
// 127.0.0.2 is recorded as sent there, to the port bound.
void TestReception::recordsTheDatagramsOwnDestination()
{
    QTemporaryDir folder;
    auto socket = listen({QStringLiteral("/host=0.0.0.0"), QStringLiteral("/port=0"),
                          QStringLiteral("/record=") + folder.path()});
    QCOMPARE(sender.writeDatagram("NA:x:y:1:2:OK", Loopback2, port), qint64(13));
    QTRY_COMPARE(socket->session().counts().received, 1u);
    socket.reset();
    const QStringList files = QDir(folder.path()).entryList({QStringLiteral("*.pcap")});
    QCOMPARE(files.size(), 1);
    DuzUdozuzeCaptureReader reader(folder.filePath(files.constFirst()));
    DuzUdozuzeCaptureReader::Datagram datagram;
    QCOMPARE(reader.next(datagram), DuzUdozuzeCaptureReader::Result::Datagram);
    QCOMPARE(datagram.destination, Loopback2);
    QCOMPARE(datagram.destinationPort, port);
}

void TestReception::readErrorIsLoggedOnce()
{
    const auto socket = listen({});
    const quint16 closed = freePort(); // nobody listens there
    // A datagram from this socket to the closed port comes back as a port
    // unreachable, which the next read reports instead of a byte count.
    const int descriptor = boundDescriptor(*socket);
    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(Loopback);
    target.sin_port = htons(closed);
    QCOMPARE(::connect(descriptor, reinterpret_cast<sockaddr *>(&target), sizeof target), 0);
    QCOMPARE(::send(descriptor, "x", 1, 0), ssize_t(1));
    QTRY_COMPARE(sink.lines.size(), 1);
    QCOMPARE(sink.texts().constFirst(), QStringLiteral("Receive error: Connection refused"));

    sockaddr unspecified {};
    unspecified.sa_family = AF_UNSPEC;
    ::connect(descriptor, &unspecified, sizeof unspecified);
    send("NA:x:y:1:2:OK");
    QTRY_COMPARE(sink.lines.size(), 2);
    QCOMPARE(sink.texts().at(1),
             QStringLiteral("Received 'NA:x:y:1:2:OK'. %1. type 0").arg(from()));
    QCOMPARE(socket->session().counts().received, 1u);
}

QTEST_GUILESS_MAIN(TestReception)
#include "tst_reception.moc"
