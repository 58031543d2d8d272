#include "net/duzudozuzesocketdevice.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

// The built programs as black boxes: duzudozuze in console mode, fed by
// duzudozuze-send, everything on 127.0.0.1.
class TestConsole : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void linesOnStandardOutput();
    void interruptEndsCleanly();
    void consoleWithoutDisplay();
    void help_data();
    void help();
    void senderRefusesBadArguments_data();
    void senderRefusesBadArguments();
    void senderRawAndCount();

private:
    void start(const QStringList &args, bool display = true);
    QStringList outputTexts();
    void sendFields(const QStringList &arguments);

    HostInstallation host;
    QProcess program;
    QByteArray output;
    quint16 port = 0;
};

void TestConsole::initTestCase()
{
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
    connect(&program, &QProcess::readyReadStandardOutput, this,
            [this] { output += program.readAllStandardOutput(); });
}

void TestConsole::cleanup()
{
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
    output.clear();
}

void TestConsole::start(const QStringList &args, bool display)
{
    port = freePort();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HX_ROOT"), host.root());
    environment.insert(QStringLiteral("HX_SYSTEM"), QStringLiteral("north"));
    environment.insert(QStringLiteral("HX_WORKSTATION"), QStringLiteral("7"));
    if (!display) {
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
    }
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(DUZUDOZUZE_PROGRAM),
                  args
                      + QStringList {QStringLiteral("/host=127.0.0.1"),
                                     QStringLiteral("/port=%1").arg(port)});
    QVERIFY(program.waitForStarted());
    // Set up once the address list is out.
    QTRY_VERIFY(output.contains("List of addresses is "));
}

QStringList TestConsole::outputTexts()
{
    QStringList texts;
    for (const QByteArray &line : output.split('\n')) {
        if (!line.isEmpty())
            texts.append(QString::fromLocal8Bit(line.mid(13)));
    }
    return texts;
}

void TestConsole::sendFields(const QStringList &arguments)
{
    QProcess sender;
    sender.start(QStringLiteral(DUZUDOZUZE_SENDER),
                 QStringList {QStringLiteral("--to"), QStringLiteral("127.0.0.1"),
                              QStringLiteral("--port"), QString::number(port)}
                     + arguments);
    QVERIFY(sender.waitForFinished());
    QCOMPARE(sender.exitCode(), 0);
}

void TestConsole::linesOnStandardOutput()
{
    start({QStringLiteral("/console"), QStringLiteral("/to=127.0.0.1"), QStringLiteral("/auto=1")});
    const qsizetype setUpLines = outputTexts().size();
    QCOMPARE(outputTexts().constFirst(),
             QStringLiteral("Constructor: system is north/.*, Alarm System is Fire/, "
                            "Workstation is 7/-1"));

    sendFields({"NC", "north", "Fire", "2", "3", "OK"});
    QTRY_COMPARE(outputTexts().size(), setUpLines + 3);
    sendFields({"NA", "north", "Fire", "2", "3", "OK"});
    // Four lines for the NA and its answer, two for the answer coming back.
    QTRY_COMPARE(outputTexts().size(), setUpLines + 9);
    const QStringList texts = outputTexts().mid(setUpLines);
    QVERIFY(texts.at(0).startsWith(QLatin1String("Received 'NC:north:Fire:2:3:OK'. 127.0.0.1:")));
    QCOMPARE(texts.at(2),
             QStringLiteral("Changing mastership. Going to master from mode 0. ws 0 is master. "
                            "NC"));
    QCOMPARE(texts.at(5),
             QStringLiteral("Received NA and we're OK. We are master - tell other to go slave. "
                            "Send NO."));
    QCOMPARE(texts.at(6), QStringLiteral("**Broadcasting WS:7 Master:0 'NO:north:Fire:7:3:OK'"));
    QCOMPARE(texts.at(7),
             QStringLiteral("Received 'NO:north:Fire:7:3:OK'. 127.0.0.1:%1. type 0").arg(port));
    QCOMPARE(texts.at(8), QStringLiteral("It's from me."));

    program.terminate(); // SIGTERM
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardError(),
             QByteArray("Received 3, shown 3, filtered 0, not current format 0, answers sent 1\n"));
}

void TestConsole::interruptEndsCleanly()
{
    start({QStringLiteral("/CONSOLE")});
    ::kill(pid_t(program.processId()), SIGINT);
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardError().startsWith("Received 0, shown 0"));
}

void TestConsole::consoleWithoutDisplay()
{
    start({}, false);
    program.terminate();
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitCode(), 0);
    const QList<QByteArray> errors = program.readAllStandardError().split('\n');
    QCOMPARE(errors.at(0), QByteArray("duzudozuze: no display available, running in console mode"));
    QVERIFY(errors.at(1).startsWith("Received 0,"));
}

void TestConsole::help_data()
{
    QTest::addColumn<QString>("argument");
    for (const char *argument : {"--help", "-h", "/?", "/help", "/HELP"})
        QTest::newRow(argument) << QString::fromLatin1(argument);
}

void TestConsole::help()
{
    QFETCH(QString, argument);
    QProcess help;
    help.start(QStringLiteral(DUZUDOZUZE_PROGRAM), {QStringLiteral("/port=1"), argument});
    QVERIFY(help.waitForFinished());
    QCOMPARE(help.exitCode(), 0);
    const QByteArray usage = help.readAllStandardOutput();
    QVERIFY(usage.startsWith("Usage: duzudozuze"));
    for (const char *option : {"/broadcast=", "/reuse=", "/host=", "/to=", "/port=",
                               "/alarmsystem=", "/hx_system=", "/hx_root=", "/workstation=",
                               "/channel=", "/respond", "/auto=", "/ok=", "/maxlines=", "/console"})
        QVERIFY2(usage.contains(option), option);
}

void TestConsole::senderRefusesBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("no destination")
        << QStringList {"NA", "a", "b", "1", "2", "OK"} << QByteArray("--to is required");
    QTest::newRow("not an address")
        << QStringList {"--to", "localhost", "NA", "a", "b", "1", "2", "OK"}
        << QByteArray("not a dotted IPv4 address: 'localhost'");
    QTest::newRow("five fields") << QStringList {"--to", "127.0.0.1", "NA", "a", "b", "1", "2"}
                                 << QByteArray("six fields are needed, 5 given");
    QTest::newRow("bad port") << QStringList {"--to", "127.0.0.1", "--port", "70000", "NA",
                                              "a",    "b",         "1",      "2",     "OK"}
                              << QByteArray("not a port number: '70000'");
    QTest::newRow("bad count") << QStringList {"--to", "127.0.0.1", "--count", "0", "--raw", "x"}
                               << QByteArray("not a count: '0'");
}

void TestConsole::senderRefusesBadArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    QProcess sender;
    sender.start(QStringLiteral(DUZUDOZUZE_SENDER), arguments);
    QVERIFY(sender.waitForFinished());
    QCOMPARE(sender.exitCode(), 2);
    const QByteArray error = sender.readAllStandardError();
    QVERIFY2(error.contains(message), error.constData());
}

void TestConsole::senderRawAndCount()
{
    DuzUdozuzeSocketDevice receiver;
    QVERIFY(receiver.bind(0x7F000001, 0));
    port = receiver.localPort();
    QProcess sender;
    sender.start(QStringLiteral(DUZUDOZUZE_SENDER),
                 {"--to", "127.0.0.1", "--port", QString::number(port), "--count", "3", "--raw",
                  "hello:world"});
    QVERIFY(sender.waitForFinished());
    QCOMPARE(sender.exitCode(), 0);
    char buffer[64];
    quint32 address = 0;
    quint16 from = 0;
    for (int i = 0; i < 3; ++i) {
        const qint64 count = receiver.readDatagram(buffer, sizeof buffer, &address, &from);
        QCOMPARE(QByteArray(buffer, int(qMax<qint64>(count, 0))), QByteArray("hello:world"));
    }
    QCOMPARE(receiver.readDatagram(buffer, sizeof buffer, &address, &from), qint64(-1));
}

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"
