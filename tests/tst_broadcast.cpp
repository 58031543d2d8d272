// SPDX-License-Identifier: MIT
#include "net/duzudozuzesocketdevice.h"
#include "net/duzudozuzestation.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QtTest>

// Answers to the default send address (the limited broadcast). Run only inside
// the private network namespace that in-private-netns.sh makes (a veth pair with
// 10.208.0.1 and 10.208.0.2), so no broadcast reaches a real network.
class TestBroadcast : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void answerLeavesByBroadcast();
    void answerWithBroadcastOffFails();

private:
    std::unique_ptr<DuzUdozuzeStation> master(const QStringList &extra);

    HostInstallation host;
    RecordingSink sink;
    DuzUdozuzeSocketDevice sender;
};

namespace {
const quint32 Workstation = 0x0AD00001; // 10.208.0.1, inside the namespace
const quint32 Peer = 0x0AD00002; // 10.208.0.2, inside the namespace
const quint16 Port = 9208;
} // namespace

void TestBroadcast::initTestCase()
{
    if (qgetenv("DUZUDOZUZE_PRIVATE_NETNS") != "1")
        QSKIP("needs the private network namespace of in-private-netns.sh (root and unshare)");
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
    QVERIFY(sender.bind(Peer, 0));
}

// A healthy workstation made master by an NC, with the default send address.
std::unique_ptr<DuzUdozuzeStation> TestBroadcast::master(const QStringList &extra)
{
    sink.lines.clear();
    auto socket = std::make_unique<DuzUdozuzeStation>(
        host.root(), QStringLiteral("north"), 7,
        QStringList {QStringLiteral("/host=10.208.0.1")} + extra, &sink);
    if (!socket->isValid())
        return nullptr;
    socket->start();
    socket->session().setRespondAutomatically(true);
    socket->session().setOk(true);
    sender.writeDatagram("NC:north:Fire:2:3:OK", Workstation, Port);
    if (!QTest::qWaitFor([&] { return socket->session().isMaster(); }))
        return nullptr;
    sink.lines.clear();
    return socket;
}

void TestBroadcast::answerLeavesByBroadcast()
{
    DuzUdozuzeSocketDevice listener;
    QVERIFY(listener.setOption(DuzUdozuzeSocketDevice::Option::ReuseAddress, 1));
    QVERIFY(listener.bind(0, Port));
    QSocketNotifier readable(listener.descriptor(), QSocketNotifier::Read);
    QSignalSpy arrived(&readable, &QSocketNotifier::activated);

    const auto socket = master({});
    QVERIFY(socket);
    QCOMPARE(socket->settings().m_strSendAddress,
             QStringLiteral("255.255.255.255")); // the default, inside the private namespace
    sender.writeDatagram("NA:north:Fire:2:3:OK", Workstation, Port);
    QTRY_VERIFY(arrived.count() > 0);

    char buffer[256];
    quint32 address = 0;
    quint16 port = 0;
    const qint64 count = listener.readDatagram(buffer, sizeof buffer, &address, &port);
    QCOMPARE(QByteArray(buffer, int(qMax<qint64>(count, 0))), QByteArray("NO:north:Fire:7:3:OK"));
    QCOMPARE(address, Workstation);
    QCOMPARE(port, Port);
    QCOMPARE(sink.texts().constLast(),
             QStringLiteral("**Broadcasting WS:7 Master:0 'NO:north:Fire:7:3:OK'"));
}

void TestBroadcast::answerWithBroadcastOffFails()
{
    const auto socket = master({QStringLiteral("/broadcast=0")});
    QVERIFY(socket);
    sender.writeDatagram("NA:north:Fire:2:3:OK", Workstation, Port);
    QTRY_COMPARE(sink.lines.size(), 4);
    QCOMPARE(sink.texts().constLast(), QStringLiteral("client socket write error"));
    QCOMPARE(socket->session().counts().answersSent, 0u);
    QVERIFY(socket->session().isMaster());
}

QTEST_GUILESS_MAIN(TestBroadcast)
#include "tst_broadcast.moc"
