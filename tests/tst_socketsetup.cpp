// SPDX-License-Identifier: MIT
#include "net/duzudozuzestation.h"
#include "stationsupport.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

// The set-up on real sockets, all bound to 127.0.0.1.
class TestSocketSetup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void validSetUp();
    void withoutIniFile();
    void broadcastOffStillSetsOption();
    void invalidControlString();
    void secondSocketOnSamePort();
    void noLocalAddresses();
    void everyStepFails();
    void defaultsBeforeAnyOption();
    void hostileIdentityIsEscaped_data();
    void hostileIdentityIsEscaped();

private:
    std::unique_ptr<DuzUdozuzeStation> make(const QStringList &args, const QString &root,
                                            QStringList addresses = {QStringLiteral("10.0.0.5"),
                                                                     QStringLiteral("10.0.0.6")});
    HostInstallation host;
    RecordingSink sink;
};

namespace {
int socketOption(int descriptor, int option)
{
    int value = -1;
    socklen_t length = sizeof value;
    getsockopt(descriptor, SOL_SOCKET, option, &value, &length);
    return value;
}
} // namespace

void TestSocketSetup::initTestCase()
{
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
}

std::unique_ptr<DuzUdozuzeStation> TestSocketSetup::make(const QStringList &args,
                                                         const QString &root, QStringList addresses)
{
    sink.lines.clear();
    return std::make_unique<DuzUdozuzeStation>(root, QStringLiteral("north"), 7, args, &sink,
                                               [addresses] { return addresses; });
}

void TestSocketSetup::validSetUp()
{
    const auto socket
        = make({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")}, host.root());
    QVERIFY(socket->isValid());
    QCOMPARE(sink.texts(),
             QStringList({QStringLiteral("Constructor: system is north/.*, Alarm System is "
                                         "Fire/, Workstation is 7/-1"),
                          QStringLiteral("List of addresses is 10.0.0.5/10.0.0.6")}));
    QVERIFY(boundPort(*socket) != 0);
    QCOMPARE(socketOption(boundDescriptor(*socket), SO_BROADCAST), 1);
    QCOMPARE(socketOption(boundDescriptor(*socket), SO_REUSEADDR), 1);

    const DuzUdozuzeSettings &settings = socket->settings();
    QCOMPARE(settings.m_strHxSystem, QStringLiteral("north"));
    QCOMPARE(settings.m_reHxSystemFilter.pattern(), QStringLiteral(".*"));
    QCOMPARE(settings.m_strAlarmSystem, QStringLiteral("Fire"));
    QCOMPARE(settings.m_reAlarmSystemFilter.pattern(), QString());
    QCOMPARE(settings.m_nWorkstation, 7);
    QCOMPARE(settings.m_nWorkstationFilter, -1);
    QCOMPARE(settings.m_nChannel, 3);
    QCOMPARE(settings.m_nChannelFilter, -1);
    QCOMPARE(settings.m_nPort, 0);
    QCOMPARE(settings.m_bRespond, false);
    // Every workstation starts as slave.
    QVERIFY(!socket->session().isMaster());
}

void TestSocketSetup::withoutIniFile()
{
    QTemporaryDir empty;
    const auto socket
        = make({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")}, empty.path());
    QVERIFY(socket->isValid());
    QCOMPARE(sink.texts().constFirst(), QStringLiteral("Not a valid channel number: ''"));
    QCOMPARE(sink.texts().at(1),
             QStringLiteral("Constructor: system is north/.*, Alarm System is /, Workstation "
                            "is 7/-1"));
    QCOMPARE(socket->settings().m_nChannel, -1);
    QCOMPARE(socket->settings().m_strAlarmSystem, QString());
}

void TestSocketSetup::broadcastOffStillSetsOption()
{
    const auto socket = make({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0"),
                              QStringLiteral("/broadcast=no"), QStringLiteral("/reuse=off")},
                             host.root());
    QVERIFY(socket->isValid());
    QCOMPARE(socketOption(boundDescriptor(*socket), SO_BROADCAST), 0);
    QCOMPARE(socketOption(boundDescriptor(*socket), SO_REUSEADDR), 0);
}

void TestSocketSetup::invalidControlString()
{
    const auto socket = make({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0"),
                              QStringLiteral("/workstation=ME")},
                             host.root());
    QVERIFY(!socket->isValid());
    const QStringList texts = sink.texts();
    QCOMPARE(texts.mid(texts.size() - 2),
             QStringList({QStringLiteral("Constructor: system is north/.*, Alarm System is "
                                         "Fire/, Workstation is 7/0"),
                          QStringLiteral("UDP Settings not valid. Don't enable.")}));
    // Nothing made to hear with: no socket, no address list, no port.
    QVERIFY(!socket->source());
}

void TestSocketSetup::secondSocketOnSamePort()
{
    const auto first
        = make({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")}, host.root());
    QVERIFY(first->isValid());
    const QString port = QStringLiteral("/port=%1").arg(boundPort(*first));

    const auto second = make({QStringLiteral("/host=127.0.0.1"), port}, host.root());
    QVERIFY(second->isValid());
    QCOMPARE(boundPort(*second), boundPort(*first));

    const auto third
        = make({QStringLiteral("/host=127.0.0.1"), port, QStringLiteral("/reuse=0")}, host.root());
    QVERIFY(!third->isValid());
    QCOMPARE(sink.texts().constLast(), QStringLiteral("Can't bind UDP listen socket"));
}

void TestSocketSetup::noLocalAddresses()
{
    const auto socket
        = make({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")}, host.root(), {});
    QVERIFY(socket->isValid());
    QCOMPARE(sink.texts().constLast(), QStringLiteral("List of addresses is "));
}

void TestSocketSetup::everyStepFails()
{
    // With no file descriptor left, the socket cannot be made: every step
    // after it fails, logs its line, and the set-up still runs to the end.
    rlimit before {};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &before), 0);
    const int lowest = dup(0);
    QVERIFY(lowest >= 0);
    close(lowest);
    rlimit none = before;
    none.rlim_cur = rlim_t(lowest);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &none), 0);
    const auto socket
        = make({QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")}, host.root());
    setrlimit(RLIMIT_NOFILE, &before);

    QVERIFY(!socket->isValid());
    QCOMPARE(sink.texts(),
             QStringList({QStringLiteral("Not a valid channel number: ''"),
                          QStringLiteral("Constructor: system is north/.*, Alarm System is /, "
                                         "Workstation is 7/-1"),
                          QStringLiteral("can't set UDP sockopt - Broadcast"),
                          QStringLiteral("can't set UDP sockopt - Reuse address"),
                          QStringLiteral("List of addresses is 10.0.0.5/10.0.0.6"),
                          QStringLiteral("Can't bind UDP listen socket"),
                          QStringLiteral("Notifier not created")}));
}

void TestSocketSetup::defaultsBeforeAnyOption()
{
    const DuzUdozuzeSettings s;
    QCOMPARE(s.m_reHxSystemFilter.pattern(), QStringLiteral(".*"));
    QVERIFY(s.m_reHxSystemFilter.patternOptions() & QRegularExpression::CaseInsensitiveOption);
    QCOMPARE(s.m_reAlarmSystemFilter.pattern(), QString());
    QCOMPARE(s.m_nChannel, -1);
    QCOMPARE(s.m_nChannelFilter, -1);
    QCOMPARE(s.m_nWorkstationFilter, -1);
    QCOMPARE(s.m_nPort, 9208);
    QCOMPARE(s.m_strHostAddress, QStringLiteral("0.0.0.0"));
    QCOMPARE(s.m_strSendAddress, QStringLiteral("255.255.255.255")); // text: no namespace needed
    QVERIFY(s.m_bBroadcast && s.m_bReuseAddress && !s.m_bRespond);
}

// Names from the environment, the system INI file and the command line can
// neither forge a line nor send a terminal commands; the values stay as given.
void TestSocketSetup::hostileIdentityIsEscaped_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QByteArray>("alarmSystem"); // in the INI file
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("constructor");
    QTest::newRow("newline in HX_SYSTEM")
        << "north\n12:00:00.000 Forged" << QByteArray("Fire") << "/port=0"
        << "Constructor: system is north\\n12:00:00.000 Forged/.*, Alarm System is /, "
           "Workstation is 7/-1";
    QTest::newRow("ESC in the INI alarm system")
        << "north" << QByteArray("\x1b[2JFire") << "/port=0"
        << "Constructor: system is north/.*, Alarm System is \\x1B[2JFire/, Workstation is 7/-1";
    QTest::newRow("C1 in a filter")
        << "north" << QByteArray("Fire")
        << QString::fromLatin1("/alarmsystem=\x9b"
                               "2J")
        << "Constructor: system is north/.*, Alarm System is Fire/\\x9B2J, Workstation is 7/-1";
}

void TestSocketSetup::hostileIdentityIsEscaped()
{
    QFETCH(QString, system);
    QFETCH(QByteArray, alarmSystem);
    QFETCH(QString, argument);
    QFETCH(QString, constructor);
    HostInstallation installation;
    installation.writeNetwork(QStringLiteral("north"), alarmSystem, 3);
    sink.lines.clear();
    DuzUdozuzeStation socket(installation.root(), system, 7,
                             {QStringLiteral("/host=127.0.0.1"), argument}, &sink,
                             [] { return QStringList(); });
    QVERIFY(sink.texts().contains(constructor));
}

QTEST_GUILESS_MAIN(TestSocketSetup)
#include "tst_socketsetup.moc"
