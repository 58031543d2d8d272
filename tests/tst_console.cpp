// SPDX-License-Identifier: MIT
#include "app/duzudozuzefrontend.h"
#include "app/duzudozuzeoutputqueue.h"
#include "capturesupport.h"
#include "net/duzudozuzesocketdevice.h"
#include "netsupport.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

// The built programs as black boxes: duzudozuze in console mode, fed by
// duzudozuze-send, everything on 127.0.0.1.
class TestConsole : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void linesOnStandardOutput();
    void signalsNeverKill_data();
    void signalsNeverKill();
    void dumpRequestsAreCoalesced();
    void slowStandardErrorGetsWholeLines();
    void negativeWorkstationSendsNoAnswers();
    void consoleWithoutDisplay();
    void help_data();
    void help();
    void senderExitStatus_data();
    void senderExitStatus();
    void senderRawAndCount();
    void blockedOutputHoldsNothingUp();
    void readerGoneEndsCleanly();
    void failedSetUpExitsWithOne_data();
    void failedSetUpExitsWithOne();
    void sharedPortIsReported();
    void outputQueueDropsWholeLines();
    void twoMastersAndTheDump();
    void windowKeepsAFloodWithTwoMasters();
    void readsACapture();
    void captureWaitsForItsReader();
    void readsOnAsItIsWritten_data();
    void readsOnAsItIsWritten();
    void recordsAnIncident();
    void recordingStaysWithinItsBounds();

private:
    void launch(const QStringList &args, bool display = true, int outputPipe = -1,
                int errorPipe = -1);
    bool catches(int signalNumber) const;
    static int pipeBytes(int descriptor);
    void start(const QStringList &args, bool display = true);
    int startIntoPipe(const QStringList &args);
    bool receiveQueueEmpty() const;
    static QMap<QString, quint64> counts(const QByteArray &line);
    QStringList outputTexts();
    void sendFields(const QStringList &arguments);
    static QString timelineSpans(const QString &path);
    int readCapture(const QString &path, const QStringList &args = {});
    static int recordedPackets(const QString &folder);

    HostInstallation host;
    QString workstation = QStringLiteral("7");
    QTemporaryDir scratch;
    QProcess program;
    QByteArray output;
    quint16 port = 0;
    int lockHeld = -1; // a recording folder's lock, as another recorder holds it
};

void TestConsole::initTestCase()
{
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
    connect(&program, &QProcess::readyReadStandardOutput, this,
            [this] { output += program.readAllStandardOutput(); });
}

void TestConsole::cleanup()
{
    workstation = QStringLiteral("7");
    program.setChildProcessModifier({});
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
    output.clear();
}

void TestConsole::launch(const QStringList &args, bool display, int outputPipe, int errorPipe)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HX_ROOT"), host.root());
    environment.insert(QStringLiteral("HX_SYSTEM"), QStringLiteral("north"));
    environment.insert(QStringLiteral("HX_WORKSTATION"), workstation);
    // The window keeps its layout in the test's folder, never the user's.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       scratch.filePath(QStringLiteral("config")));
    if (!display) {
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
    }
    program.setProcessEnvironment(environment);
    program.setChildProcessModifier([outputPipe, errorPipe] {
        if (outputPipe >= 0)
            ::dup2(outputPipe, STDOUT_FILENO);
        if (errorPipe >= 0)
            ::dup2(errorPipe, STDERR_FILENO);
    });
    program.start(QStringLiteral(DUZUDOZUZE_PROGRAM),
                  args
                      + QStringList {QStringLiteral("/host=127.0.0.1"),
                                     QStringLiteral("/port=%1").arg(port)});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
}

void TestConsole::start(const QStringList &args, bool display)
{
    port = freePort();
    launch(args, display);
    // Set up once the address list is out.
    QTRY_VERIFY(output.contains("List of addresses is "));
}

// Standard output goes into a pipe of the test's own, read only until the
// set-up is out; returns the pipe's read end.
int TestConsole::startIntoPipe(const QStringList &args)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return -1;
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK); // the test's end only
    port = freePort();
    launch(args, true, ends[1]);
    ::close(ends[1]);
    const auto readSome = [this, ends] {
        char buffer[4096];
        for (ssize_t count; (count = ::read(ends[0], buffer, sizeof buffer)) > 0;)
            output.append(buffer, count);
        return output.contains("List of addresses is ");
    };
    if (!QTest::qWaitFor(readSome)) {
        ::close(ends[0]);
        return -1;
    }
    return ends[0];
}

// Whether the program's socket has read everything that came for it.
bool TestConsole::receiveQueueEmpty() const
{
    QFile table(QStringLiteral("/proc/net/udp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local
        = QByteArray("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 4 && fields.at(1) == local)
            return fields.at(4).endsWith(":00000000");
    }
    return false;
}

// The numbers of the counts line, by name ("received", "answers sent", ...).
QMap<QString, quint64> TestConsole::counts(const QByteArray &line)
{
    QMap<QString, quint64> numbers;
    for (const QString &part : QString::fromLatin1(line.trimmed()).split(QStringLiteral(", "))) {
        const qsizetype blank = part.lastIndexOf(QLatin1Char(' '));
        numbers.insert(part.left(blank).toLower(), part.mid(blank + 1).toULongLong());
    }
    return numbers;
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
    // A master answering an NA has seen two masters: that warning comes first.
    QVERIFY(program.readAllStandardError().endsWith(
        "\nReceived 3, shown 3, filtered 0, not current format 0, answers sent 1\n"));
}

// Bytes waiting in a pipe.
int TestConsole::pipeBytes(int descriptor)
{
    int bytes = 0;
    return ::ioctl(descriptor, FIONREAD, &bytes) == 0 ? bytes : -1;
}

// Whether the program catches the signal yet, as the kernel says.
bool TestConsole::catches(int signalNumber) const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1;
    }
    return false;
}

// A signal at any moment, from the first the program catches it to the end,
// ends either front end with its counts line, or dumps; never death by
// signal. "twice": the second comes while the first is obeyed.
void TestConsole::signalsNeverKill_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("window");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("twice");
    QTest::addColumn<int>("code");
    QTest::newRow("console, SIGINT") << SIGINT << false << "" << false << 0;
    QTest::newRow("console, SIGTERM twice") << SIGTERM << false << "" << true << 0;
    QTest::newRow("console, SIGHUP") << SIGHUP << false << "" << false << 0;
    QTest::newRow("console, SIGUSR1") << SIGUSR1 << false << "" << false << 0;
    QTest::newRow("window, SIGTERM") << SIGTERM << true << "" << false << 0;
    QTest::newRow("window, SIGINT twice") << SIGINT << true << "" << true << 0;
    QTest::newRow("window, SIGHUP") << SIGHUP << true << "" << false << 0;
    QTest::newRow("window, SIGUSR1") << SIGUSR1 << true << "" << false << 0;
    QTest::newRow("window, failed set-up") << SIGTERM << true << "/bogus" << true << 1;
}

void TestConsole::signalsNeverKill()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, window);
    QFETCH(QString, argument);
    QFETCH(bool, twice);
    QFETCH(int, code);
    port = freePort();
    QStringList args = window ? QStringList() : QStringList {QStringLiteral("/console")};
    if (!argument.isEmpty())
        args.append(argument);
    launch(args);
    const pid_t pid = pid_t(program.processId());
    QTRY_VERIFY(catches(signalNumber));
    ::kill(pid, signalNumber);
    if (twice)
        ::kill(pid, signalNumber);
    QByteArray errors;
    if (signalNumber == SIGUSR1) {
        QTRY_VERIFY((errors += program.readAllStandardError()).contains("Mastership history"));
        ::kill(pid, SIGTERM);
    }
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), code);
    errors += program.readAllStandardError();
    QVERIFY2(errors.contains("\nReceived 0, shown 0, filtered 0, not current format 0, answers "
                             "sent 0\n")
                 || errors.startsWith("Received 0, shown 0"),
             errors.constData());
}

// However many dump requests come, at most one dump a second, and a stop
// signal after them is obeyed at once.
void TestConsole::dumpRequestsAreCoalesced()
{
    start({QStringLiteral("/console")});
    const pid_t pid = pid_t(program.processId());
    for (int i = 0; i < 200; ++i)
        ::kill(pid, SIGUSR1);
    ::kill(pid, SIGTERM);
    QVERIFY(program.waitForFinished(2000));
    QCOMPARE(program.exitCode(), 0);
    const qsizetype dumps = program.readAllStandardError().count("Workstations:\n");
    QVERIFY2(dumps >= 1 && dumps <= 2, QByteArray::number(dumps).constData());
}

// A dump of many rows to a reader slower than the program gets there whole,
// and a warning after it on a line of its own.
void TestConsole::slowStandardErrorGetsWholeLines()
{
    int ends[2];
    QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK); // the test's end only
    port = freePort();
    launch({QStringLiteral("/console")}, true, -1, ends[1]);
    ::close(ends[1]);
    QTRY_VERIFY(output.contains("List of addresses is "));
    constexpr int Rows = 3000;
    DuzUdozuzeSocketDevice sender;
    for (int number = 1; number <= Rows; ++number) {
        while (sender.writeDatagram(
                   DuzUdozuzeStatusDatagram::format(QStringLiteral("NC"), QStringLiteral("north"),
                                                    QStringLiteral("Fire"), 100 + number, 3, true),
                   0x7F000001, port)
               < 0)
            QTest::qWait(1);
    }
    QTRY_VERIFY(receiveQueueEmpty());
    ::kill(pid_t(program.processId()), SIGUSR1);
    sendFields({"NA", "north", "Fire", "1", "3", "OK"});
    sendFields({"NA", "north", "Fire", "2", "3", "OK"});
    // A few kilobytes at a time, while the program goes on.
    QByteArray errors;
    const auto readSome = [&errors, ends] {
        char buffer[4096];
        const ssize_t count = ::read(ends[0], buffer, sizeof buffer);
        if (count > 0)
            errors.append(buffer, count);
        return errors.contains(" Two masters in ");
    };
    QVERIFY(QTest::qWaitFor(readSome, 20000));
    ::close(ends[0]);
    const QString text = QString::fromLatin1(errors);
    QCOMPARE(text.count(QRegularExpression(QStringLiteral("^\\d{3,} +north +Fire +3 "),
                                           QRegularExpression::MultilineOption)),
             Rows);
    QVERIFY(text.contains(QStringLiteral("\nMastership history, newest first:\n")));
    QVERIFY(text.contains(QRegularExpression(
        QStringLiteral("\n\\d\\d:\\d\\d:\\d\\d\\.\\d{3} Two masters in north/Fire channel 3"))));
}

// A workstation without a number of its own decides as ever, but sends no
// answer: it could not tell it from another's.
void TestConsole::negativeWorkstationSendsNoAnswers()
{
    workstation = QStringLiteral("-1");
    start({QStringLiteral("/console"), QStringLiteral("/to=127.0.0.1"), QStringLiteral("/auto=1")});
    sendFields({"NC", "north", "Fire", "2", "3", "OK"});
    sendFields({"NA", "north", "Fire", "2", "3", "OK"});
    QTRY_VERIFY(outputTexts().contains(
        QStringLiteral("Received NA and we're OK. We are master - tell other to go slave. "
                       "Send NO.")));
    program.terminate();
    QVERIFY(program.waitForFinished());
    const QByteArray errors = program.readAllStandardError();
    QVERIFY(errors.startsWith("Warning: workstation number -1 is negative"));
    QVERIFY2(errors.endsWith("answers sent 0, answers not sent 1 (no workstation number)\n"),
             errors.constData());
    QVERIFY(!output.contains("**Broadcasting"));
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
    for (const char *option :
         {"/broadcast=", "/reuse=", "/host=", "/to=", "/port=", "/alarmsystem=", "/hx_system=",
          "/hx_root=", "/workstation=", "/channel=", "/respond",
          "/auto=", "/ok=", "/maxlines=", "/console", "/metrics=", "--version"})
        QVERIFY2(usage.contains(option), option);
}

void TestConsole::senderExitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("message");
    // Two datagrams 56 years apart, to a port nobody reads; and the same
    // capture cut short in its second.
    const QString gap = host.root() + QStringLiteral("/gap.pcap");
    const QString cut = host.root() + QStringLiteral("/cut.pcap");
    const QByteArray status = ethernet(0x0800) + ipv4Udp("NC:north:Fire:2:3:OK");
    QVERIFY(writeCapture(gap, {{0, status}, {Q_INT64_C(1767225600000000), status}}));
    QVERIFY(QFile::copy(gap, cut) && QFile::resize(cut, QFileInfo(gap).size() - 10));
    const QStringList replay {"--to", "127.0.0.1", "--port", QString::number(freePort()),
                              "--replay"};
    QTest::newRow("no destination")
        << QStringList {"NA", "a", "b", "1", "2", "OK"} << 2 << QByteArray("--to is required");
    QTest::newRow("not an address")
        << QStringList {"--to", "localhost", "NA", "a", "b", "1", "2", "OK"} << 2
        << QByteArray("not a dotted IPv4 address: 'localhost'");
    QTest::newRow("five fields") << QStringList {"--to", "127.0.0.1", "NA", "a", "b", "1", "2"} << 2
                                 << QByteArray("six fields are needed, 5 given");
    QTest::newRow("bad port") << QStringList {"--to", "127.0.0.1", "--port", "70000", "NA",
                                              "a",    "b",         "1",      "2",     "OK"}
                              << 2 << QByteArray("not a port number: '70000'");
    QTest::newRow("bad count") << QStringList {"--to", "127.0.0.1", "--count", "0", "--raw", "x"}
                               << 2 << QByteArray("not a count: '0'");
    QTest::newRow("rate too slow")
        << QStringList {"--to", "127.0.0.1", "--rate", "1e-10", "--raw", "x"} << 2
        << QByteArray("not a rate: '1e-10'");
    QTest::newRow("rate not a number")
        << QStringList {"--to", "127.0.0.1", "--rate", "nan", "--raw", "x"} << 2
        << QByteArray("not a rate: 'nan'");
    QTest::newRow("unknown option") << QStringList {"--to", "127.0.0.1", "--bogus", "--raw", "x"}
                                    << 2 << QByteArray("Unknown option 'bogus'");
    QTest::newRow("colon in a field")
        << QStringList {"--to", "127.0.0.1", "NA", "a:b", "c", "1", "2", "OK"} << 2
        << QByteArray("a field is empty or has a ':' in it: 'a:b'");
    QTest::newRow("replay and fields")
        << QStringList {"--to", "127.0.0.1", "--replay", "a.pcap", "NA", "a", "b", "1", "2", "OK"}
        << 2 << QByteArray("--replay takes no fields, --raw, --count or --rate");
    QTest::newRow("replay at no speed")
        << QStringList {"--to", "127.0.0.1", "--replay", "a.pcap", "--speed", "0"} << 2
        << QByteArray("not a speed: '0'");
    QTest::newRow("replay of no capture")
        << QStringList {"--to", "127.0.0.1", "--replay", "/nonexistent.pcap"} << 2
        << QByteArray("cannot read the capture /nonexistent.pcap: ");
    QTest::newRow("replay slower than the clock holds")
        << QStringList {"--to", "127.0.0.1", "--replay", "a.pcap", "--speed", "1e-10"} << 2
        << QByteArray("not a speed: '1e-10'");
    QTest::newRow("replay across a gap of 56 years")
        << replay + QStringList {gap, "--max-gap", "0.001"} << 0
        << QByteArray("a gap of 1767225600.000 s in the capture cut to 0.001 s at packet 2\n");
    // What went wrong part way, not what was given.
    QTest::newRow("replay of a capture cut short")
        << replay + QStringList {cut} << 1 << QByteArray("/cut.pcap: packet 2: ");
}

void TestConsole::senderExitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QByteArray, message);
    QProcess sender;
    sender.start(QStringLiteral(DUZUDOZUZE_SENDER), arguments);
    QVERIFY(sender.waitForFinished());
    QCOMPARE(sender.exitCode(), code);
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

// Standard output that nobody reads holds up neither reception nor the
// answers, and a stop signal still ends the program.
void TestConsole::blockedOutputHoldsNothingUp()
{
    const int unread = startIntoPipe(
        {QStringLiteral("/console"), QStringLiteral("/to=127.0.0.1"), QStringLiteral("/auto=1")});
    QVERIFY(unread >= 0);
    sendFields({"NC", "north", "Fire", "2", "3", "OK"});
    sendFields({"--count", "20000", "--rate", "5000", "NA", "north", "Fire", "2", "3", "OK"});
    // Held up, the queue would never drain; on shared cores it may take a
    // few seconds.
    QTRY_VERIFY_WITH_TIMEOUT(receiveQueueEmpty(), 30000);
    // An empty queue says the last batch was read, not that its answers went
    // out; a last NC read back means they did, and were read before it.
    sendFields({"NC", "north", "Fire", "2", "3", "OK"});
    QTRY_VERIFY_WITH_TIMEOUT(receiveQueueEmpty(), 30000);
    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    ::close(unread);
    QCOMPARE(program.exitCode(), 0);
    const QMap<QString, quint64> n
        = counts(program.readAllStandardError().trimmed().split('\n').constLast());
    QCOMPARE(n.value("answers sent") + n.value("answers suppressed"), 20000u);
    // Every NA, both NCs and every answer coming back.
    QCOMPARE(n.value("received"), 20002u + n.value("answers sent"));
}

void TestConsole::readerGoneEndsCleanly()
{
    const int reader = startIntoPipe({QStringLiteral("/console")});
    QVERIFY(reader >= 0);
    ::close(reader);
    sendFields({"NC", "north", "Fire", "2", "3", "OK"});
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardError().startsWith("Received 1, shown 1,"));
}

// A supervisor sees the failed set-up in the exit code; the lines are as ever,
// the one that says why among them.
void TestConsole::failedSetUpExitsWithOne_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("holdPort");
    QTest::addColumn<QString>("told");
    QTest::newRow("invalid control string") << QStringList {"/bogus"} << false << "";
    QTest::newRow("bind failure") << QStringList {"/reuse=1"} << true << "";
    // Folders a recording must not be kept in.
    const QString shared = scratch.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkdir(shared) && ::chmod(qPrintable(shared), 0777) == 0);
    QTest::newRow("record: writable by others") << QStringList {"/record=" + shared} << false << "";
    const QString own = scratch.filePath(QStringLiteral("own"));
    const QString link = scratch.filePath(QStringLiteral("link"));
    QVERIFY(QDir().mkdir(own) && QFile::link(own, link));
    QTest::newRow("record: a symbolic link") << QStringList {"/record=" + link} << false << "";
    for (const char *tail : {"/", "/."}) {
        QTest::newRow(qPrintable(QStringLiteral("record: a symbolic link, then '%1'").arg(tail)))
            << QStringList {"/record=" + link + tail} << false
            << QStringLiteral("Can't record to '%1%2': it is a symbolic link").arg(link, tail);
    }
    QTest::newRow("record: through a symbolic link to its parent")
        << QStringList {"/record=" + link + "/.."} << false
        << QStringLiteral("Can't record to '%1/..': it ends in '..'").arg(link);
    // Bytes the program cannot decode reach it as U+FFFD.
    const QString latin = scratch.filePath(QStringLiteral("latin\uFFFD"));
    QTest::newRow("record: a name not UTF-8")
        << QStringList {"/record=" + latin} << false << QStringLiteral("': its name is not UTF-8");
    QString other = QStringLiteral("/");
    if (::geteuid() == 0) {
        other = scratch.filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkdir(other) && ::chown(qPrintable(other), 65534, 65534) == 0);
    }
    QTest::newRow("record: another user's") << QStringList {"/record=" + other} << false << "";
    QTest::newRow("record: the recording read")
        << QStringList {"/read=" + own, "/record=" + own} << false << "";
    // This test is the other process.
    const QString locked = scratch.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    lockHeld = ::open(qPrintable(locked + QStringLiteral("/duzudozuze.lock")),
                      O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    QVERIFY(lockHeld >= 0 && ::flock(lockHeld, LOCK_EX) == 0);
    QTest::newRow("record: another process records there")
        << QStringList {"/record=" + locked} << false
        << QStringLiteral("Can't record to '%1': another process records there").arg(locked);
}

void TestConsole::failedSetUpExitsWithOne()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, holdPort);
    QFETCH(QString, told);
    DuzUdozuzeSocketDevice holder; // without address reuse: nobody else binds
    QVERIFY(holder.bind(0x7F000001, 0));
    port = holdPort ? holder.localPort() : freePort();
    launch(QStringList {QStringLiteral("/console")} + arguments);
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(output.endsWith("failed to set-up UDP system.\n"));
    QVERIFY2(output.contains(told.toLocal8Bit() + '\n'), output.constData());
}

void TestConsole::sharedPortIsReported()
{
    DuzUdozuzeSocketDevice other;
    QVERIFY(other.setOption(DuzUdozuzeSocketDevice::Option::ReuseAddress, 1));
    QVERIFY(other.bind(0x7F000001, 0));
    port = other.localPort();
    launch({QStringLiteral("/console")});
    QTRY_VERIFY(output.contains("List of addresses is "));
    program.terminate();
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.readAllStandardError().split('\n').constFirst(),
             QStringLiteral("Warning: 1 other socket(s) on UDP port %1 (uid %2): unicast "
                            "datagrams may go to them instead.")
                 .arg(port)
                 .arg(::getuid())
                 .toLatin1());
}

// Past its bound the queue drops whole lines, and says so where the gap is.
void TestConsole::outputQueueDropsWholeLines()
{
    int ends[2];
    QCOMPARE(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    DuzUdozuzeOutputQueue queue(100);
    for (const char *line :
         {"first line of forty characters ........", "second line of forty characters .......",
          "third line, over the bound ............"})
        queue.append(line);
    QCOMPARE(queue.writeTo(ends[1]), DuzUdozuzeOutputQueue::State::Empty);
    queue.append("after the gap");
    QCOMPARE(queue.writeTo(ends[1]), DuzUdozuzeOutputQueue::State::Empty);
    char buffer[512];
    const ssize_t count = ::read(ends[0], buffer, sizeof buffer);
    ::close(ends[0]);
    ::close(ends[1]);
    const QList<QByteArray> lines = QByteArray(buffer, qMax<ssize_t>(count, 0)).split('\n');
    QCOMPARE(lines.size(), 5); // and the empty rest after the last line break
    QCOMPARE(lines.at(1), QByteArray("second line of forty characters ......."));
    QCOMPARE(lines.at(2).mid(13), QByteArray("1 log lines dropped: standard output was blocked"));
    QCOMPARE(lines.at(3), QByteArray("after the gap"));
    QCOMPARE(queue.linesDropped(), 1u);

    // A failed write (a full disk) keeps the lines, and the gap says why.
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    QVERIFY(full >= 0);
    DuzUdozuzeOutputQueue failing(100);
    failing.append("first line of forty characters ........");
    QCOMPARE(failing.writeTo(full), DuzUdozuzeOutputQueue::State::Failed);
    ::close(full);
    failing.append("second line of forty characters .......");
    failing.append("third line, over the bound ............");
    failing.append("after the gap");
    QCOMPARE(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    QCOMPARE(failing.writeTo(ends[1]), DuzUdozuzeOutputQueue::State::Empty);
    const ssize_t after = ::read(ends[0], buffer, sizeof buffer);
    ::close(ends[0]);
    ::close(ends[1]);
    const QList<QByteArray> kept = QByteArray(buffer, qMax<ssize_t>(after, 0)).split('\n');
    QCOMPARE(kept.size(), 5);
    QCOMPARE(kept.at(2).mid(13),
             QByteArray("1 log lines dropped: standard output failed (No space left on device)"));
}

// The picture of the election goes to standard error; standard output keeps
// the log's lines and nothing else.
void TestConsole::twoMastersAndTheDump()
{
    start({QStringLiteral("/console")});
    const qsizetype lines = outputTexts().size();
    for (const auto &[address, workstation] :
         {std::pair(0x7F000002u, 2), std::pair(0x7F000003u, 5)}) {
        DuzUdozuzeSocketDevice sender;
        QVERIFY(sender.bind(address, 0));
        sender.writeDatagram(
            DuzUdozuzeStatusDatagram::format(QStringLiteral("NA"), QStringLiteral("north"),
                                             QStringLiteral("Fire"), workstation, 3, true),
            0x7F000001, port);
    }
    QByteArray errors;
    const auto told = [&errors, this](const QRegularExpression &pattern) {
        errors += program.readAllStandardError();
        return pattern.match(QString::fromLatin1(errors)).hasMatch();
    };
    QTRY_VERIFY(told(QRegularExpression(
        QStringLiteral(
            "^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} Two masters in north/Fire channel 3: "
            "workstation 2 \\(127\\.0\\.0\\.2\\) and workstation 5 \\(127\\.0\\.0\\.3\\)$"),
        QRegularExpression::MultilineOption)));
    ::kill(pid_t(program.processId()), SIGUSR1);
    for (const char *row : {"^2 +MASTER +north +Fire +3 +127\\.0\\.0\\.2:",
                            "^5 +MASTER +north +Fire +3 +127\\.0\\.0\\.3:"})
        QTRY_VERIFY2(
            told(QRegularExpression(QLatin1String(row), QRegularExpression::MultilineOption)),
            errors.constData());
    // The warnings' log too, this one in force.
    QTRY_VERIFY2(told(QRegularExpression(
                     QStringLiteral("^Warnings, newest first:\nRaised.*\n\\d\\d:\\d\\d:\\d\\d +in "
                                    "force +Two masters in north/Fire channel 3"),
                     QRegularExpression::MultilineOption)),
                 errors.constData());
    QTRY_COMPARE(outputTexts().size(), lines + 2); // the two Received lines
    QVERIFY(!output.contains("Two masters") && !output.contains("Workstation  Role"));
}

// The window with two masters standing, at 2,000 datagrams a second for ten
// seconds: every datagram is read, and SIGTERM ends it with its counts.
void TestConsole::windowKeepsAFloodWithTwoMasters()
{
    port = freePort();
    launch({});
    QTRY_VERIFY(receiveQueueEmpty()); // bound
    QProcess senders[2];
    for (const int workstation : {2, 5}) {
        senders[workstation == 5].start(
            QStringLiteral(DUZUDOZUZE_SENDER),
            {QStringLiteral("--to"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
             QString::number(port), QStringLiteral("--count"), QStringLiteral("10000"),
             QStringLiteral("--rate"), QStringLiteral("1000"), QStringLiteral("NA"),
             QStringLiteral("north"), QStringLiteral("Fire"), QString::number(workstation),
             QStringLiteral("3"), QStringLiteral("OK")});
    }
    for (QProcess &sender : senders)
        QVERIFY(sender.waitForFinished(60000) && sender.exitCode() == 0);
    QTRY_VERIFY(receiveQueueEmpty());
    QByteArray errors;
    ::kill(pid_t(program.processId()), SIGUSR1);
    QTRY_VERIFY((errors += program.readAllStandardError())
                    .contains("in force  Two masters in north/Fire channel 3"));
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished());
    errors += program.readAllStandardError();
    QCOMPARE(counts(errors.trimmed().split('\n').constLast()).value(QStringLiteral("received")),
             20000u);
}

// A capture read as the port would have been heard: the same lines with the
// capture's times, its warnings and dump at the end, nothing sent; a file cut
// short ends with 2, named at its packet.
// Console mode on a capture with UTC times, its output in output; returns the
// exit code.
int TestConsole::readCapture(const QString &path, const QStringList &args)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    environment.insert(QStringLiteral("HX_ROOT"), host.root());
    environment.insert(QStringLiteral("HX_SYSTEM"), QStringLiteral("north"));
    environment.insert(QStringLiteral("HX_WORKSTATION"), QStringLiteral("7"));
    program.setProcessEnvironment(environment);
    output.clear();
    program.start(QStringLiteral(DUZUDOZUZE_PROGRAM),
                  args
                      + QStringList {QStringLiteral("/console"), QStringLiteral("/to=127.0.0.1"),
                                     QStringLiteral("/read=") + path});
    return program.waitForFinished() ? program.exitCode() : -1;
}

// An incident as tcpdump saw it, read to its end: its lines on standard
// output, what is told and its warnings at its own times on standard error,
// then the dump; cut short, what was read is reported, and the code is 2.
void TestConsole::readsACapture()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("incident.pcap"));
    constexpr qint64 Start = 1700000000250000; // 22:13:20.250 UTC
    const auto packet = [](const QByteArray &payload, int sender = 2) {
        return ethernet(0x0800) + ipv4Udp(payload, sender);
    };
    QVERIFY(writeCapture(path,
                         {{Start, packet("NC:north:Fire:2:3:OK")},
                          {Start + 1000000, packet("NA:north:Fire:5:3:OK", 5)},
                          {Start + 2000000, packet("x:y")},
                          {Start + 5000000, ethernet(0x0806) + QByteArray(28, '\0')},
                          {Start + 25000000, packet("NC:north:Fire:2:3:OK")},
                          {Start + 26000000, packet(QByteArray(300, 'A'))}}));
    const QString picture = folder.filePath(QStringLiteral("incident.svg"));
    QCOMPARE(readCapture(path, {QStringLiteral("/auto=1"), QStringLiteral("/timeline=") + picture}),
             0);
    QVERIFY2(
        output.contains("\n22:13:20.250 Received 'NC:north:Fire:2:3:OK'. 10.0.0.2:40000. type 0\n"),
        output.constData());
    const QString errors = QString::fromLatin1(program.readAllStandardError());
    for (const char *told :
         {"skipped in the capture, the first number 4: not IPv4\n",
          "22:13:21.250 Two masters in north/Fire channel 3: workstation 7 (this workstation) and "
          "workstation 5 (10.0.0.5)\n",
          "\nWarnings, newest first:\n",
          "\nReceived 5, shown 3, filtered 0, not current format 2, answers sent 0, answers not "
          "sent 1 (reading a capture)\n"})
        QVERIFY2(errors.contains(QLatin1String(told)), qPrintable(errors));

    // Its picture: a lane a workstation, a span a role, at the capture's
    // times, the datagram that began one and the answer in its title.
    QCOMPARE(timelineSpans(picture),
             "north/Fire/3 7: master 20.250-46.250 NC from 10.0.0.2; north/Fire/3 2: slave "
             "20.250-46.250 NC from 10.0.0.2; "
             "north/Fire/3 5: master 21.250-31.250 NA from 10.0.0.5, answered NO, slave "
             "31.250-46.250");

    QFile file(path);
    QVERIFY(file.resize(file.size() - 100));
    QCOMPARE(readCapture(path), 2);
    QVERIFY(program.readAllStandardError().contains("Received 4, shown 3,"));
}

// The lanes of a timeline's SVG, each span "class from-until" in s of the
// minute, the title's cause where a datagram began it.
QString TestConsole::timelineSpans(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("no file");
    QXmlStreamReader svg(&file);
    QStringList lanes;
    QStringList spans;
    const auto seconds = [&svg](const char *name) {
        return svg.attributes().value(QLatin1String(name)).mid(17, 6).toString();
    };
    while (!svg.atEnd()) {
        svg.readNext();
        const QString cls = svg.attributes().value(QLatin1String("class")).toString();
        if (svg.isStartElement() && cls == QLatin1String("lane")) {
            const QXmlStreamAttributes lane = svg.attributes();
            lanes.append(
                QStringLiteral("%1 %2: ").arg(lane.value(QLatin1String("data-group")),
                                              lane.value(QLatin1String("data-workstation"))));
            spans.clear();
        } else if (svg.isStartElement() && !lanes.isEmpty() && cls != QLatin1String("warning")
                   && svg.attributes().hasAttribute(QLatin1String("data-from"))) {
            QString span = cls + QLatin1Char(' ') + seconds("data-from") + QLatin1Char('-')
                + seconds("data-until");
            svg.readNextStartElement(); // its title
            const QString title = svg.readElementText();
            if (title.contains(QLatin1String(" from 10.")))
                span += QLatin1Char(' ') + title.section(QStringLiteral(": "), 1);
            spans.append(span);
        } else if (svg.isEndElement() && svg.name() == QLatin1String("g") && !spans.isEmpty()) {
            lanes.last() += spans.join(QStringLiteral(", "));
            spans.clear();
        }
    }
    return svg.hasError() ? svg.errorString() : lanes.join(QStringLiteral("; "));
}

// Reading a file, a reader that does not keep up makes the program wait,
// never lose lines; standard output that fails ends the reading with 3.
void TestConsole::captureWaitsForItsReader()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("long.pcap"));
    QList<CapturedPacket> packets;
    for (int i = 0; i < 20000; ++i)
        packets.append({1700000000000000 + i * 1000, ethernet(0x0800) + ipv4Udp("NC:a:b:2:3:OK")});
    QVERIFY(writeCapture(path, packets));
    int ends[2];
    QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
    port = 9208; // nothing is bound
    launch({QStringLiteral("/console"), QStringLiteral("/read=") + path}, true, ends[1]);
    ::close(ends[1]);
    // Lines come, far more than the pipe and the queue's bound hold, and the
    // program waits for them longer than its end would.
    QTRY_VERIFY(program.state() == QProcess::Running && pipeBytes(ends[0]) > 0);
    QVERIFY(!program.waitForFinished(2 * DuzUdozuzeFrontEnd::FinishTime));
    QFile unread;
    QVERIFY(unread.open(ends[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    QCOMPARE(unread.readAll().count("Received 'NC:a:b:2:3:OK'"), 20000);
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitCode(), 0);

    program.setStandardOutputFile(QStringLiteral("/dev/full"));
    QCOMPARE(readCapture(path), 3);
    program.setStandardOutputFile(QString());
}

void TestConsole::readsOnAsItIsWritten_data()
{
    QTest::addColumn<bool>("followed"); // else standard input
    QTest::newRow("a live pipe") << false;
    QTest::newRow("a followed file") << true;
}

// A live pipe, or a file tcpdump writes, is logged as it comes, and a stop
// signal ends the reading at once, said.
void TestConsole::readsOnAsItIsWritten()
{
    QFETCH(bool, followed);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("growing.pcap"));
    QVERIFY(writeCapture(path, {{1700000000250000, ethernet(0x0800) + ipv4Udp("NC:a:b:2:3:OK")}}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    QVERIFY(file.resize(0) && file.seek(0));
    port = 9208; // nothing is bound
    launch(followed ? QStringList {QStringLiteral("/console"), QStringLiteral("/follow"),
                                   QStringLiteral("/read=") + path}
                    : QStringList {QStringLiteral("/console"), QStringLiteral("/read=-")});
    QTRY_VERIFY(output.contains("Constructor: "));
    QIODevice &writer = followed ? static_cast<QIODevice &>(file) : program;
    QCOMPARE(writer.write(bytes), bytes.size());
    QVERIFY(!followed || file.flush());
    QTRY_VERIFY(output.contains("Received 'NC:a:b:2:3:OK'"));
    program.terminate(); // SIGTERM
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardError().startsWith("duzudozuze: stopped after packet 1\n"));
}

// Packets in the capture files of a recording's folder.
int TestConsole::recordedPackets(const QString &folder)
{
    int packets = 0;
    for (const QFileInfo &file : QDir(folder).entryInfoList({QStringLiteral("*.pcap")})) {
        char error[PCAP_ERRBUF_SIZE];
        pcap_t *capture = pcap_open_offline(qPrintable(file.filePath()), error);
        pcap_pkthdr *header;
        const u_char *data;
        while (capture && pcap_next_ex(capture, &header, &data) == 1)
            ++packets;
        if (capture)
            pcap_close(capture);
    }
    return packets;
}

// The lines from the first datagram's on.
static QByteArray receivedLines(const QByteArray &output)
{
    return output.mid(output.lastIndexOf('\n', output.indexOf(" Received ")) + 1);
}

// An incident recorded live, and the program killed: the recording read back
// on the port it holds gives the very lines it showed, times and senders
// included; so does a recording of that reading.
void TestConsole::recordsAnIncident()
{
    qputenv("TZ", "UTC");
    QTemporaryDir folder;
    const QString recording = folder.filePath(QStringLiteral("recording"));
    start({QStringLiteral("/console"), QStringLiteral("/to=127.0.0.1"), QStringLiteral("/auto=1"),
           QStringLiteral("/record=") + recording});
    sendFields({"NC", "north", "Fire", "2", "3", "OK"});
    sendFields({"NA", "north", "Fire", "5", "3", "OK"});
    sendFields({"NC", "north", "Fire", "2", "3", "OK"});
    // Three datagrams, the answer sent and the answer come back, on disk
    // within a second.
    QTRY_COMPARE(recordedPackets(recording), 5);
    program.kill();
    QVERIFY(program.waitForFinished());
    const QByteArray live = receivedLines(output);
    // Read on the port it holds; the reading is recorded in turn, by the
    // thread that reads it: that recording reads back the same again on the
    // port chosen.
    const QString again = folder.filePath(QStringLiteral("again"));
    QCOMPARE(
        readCapture(recording, {QStringLiteral("/auto=1"), QStringLiteral("/record=") + again}), 0);
    QCOMPARE(receivedLines(output), live);
    QCOMPARE(readCapture(again, {QStringLiteral("/auto=1"), QStringLiteral("/port=%1").arg(port)}),
             0);
    QCOMPARE(receivedLines(output), live);
}

// A capture whose clock steps back an hour, recorded into small files: the
// file size raised to the least, and said, and the total kept; the recording
// read in a span of the files before the step back, and while its newest
// file is written.
void TestConsole::recordingStaysWithinItsBounds()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("stepped.pcap"));
    constexpr qint64 Start = 1700000000000000;
    QList<CapturedPacket> packets;
    for (int i = 0; i < 5000; ++i) {
        // The first 3,000 stamped an hour later than the rest, the last 1,000
        // from workstation 5.
        const QByteArray status = i < 3000 ? "NC:north:Fire:2:3:OK"
            : i < 4000                     ? "NA:north:Fire:4:3:OK"
                                           : "NA:north:Fire:5:3:OK";
        packets.append(
            {Start + (i < 3000 ? 3600000000 : 0) + i * 1000, ethernet(0x0800) + ipv4Udp(status)});
    }
    QVERIFY(writeCapture(path, packets));
    const QString recording = folder.filePath(QStringLiteral("recording"));
    QCOMPARE(readCapture(path,
                         {QStringLiteral("/record=") + recording, QStringLiteral("/recordfile=1k"),
                          QStringLiteral("/recordtotal=256k")}),
             0);
    QVERIFY(program.readAllStandardError().startsWith(
        "Warning: /recordfile= of 1024 bytes is less than the least, 64K: 64K is used\n"));
    // The recorder given the least file size and the total (tst_recorder
    // says how it keeps them).
    const QFileInfoList files = QDir(recording).entryInfoList({QStringLiteral("*.pcap")});
    qint64 largest = 0, total = 0;
    for (const QFileInfo &file : files) {
        largest = qMax(largest, file.size());
        total += file.size();
    }
    QVERIFY2(largest > 1024 && largest <= 64 << 10, qPrintable(QString::number(largest)));
    QVERIFY(total <= 256 << 10);
    // A span read in the files before the step back.
    QCOMPARE(readCapture(recording, {QStringLiteral("/from=2023-11-14T23:13:22.500Z")}), 0);
    QCOMPARE(output.count("Received 'NC:north:Fire:2:3:OK'"), 500);
}

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"
