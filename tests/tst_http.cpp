// SPDX-License-Identifier: MIT
#include "app/duzudozuzeservicemanager.h"
#include "httpclient.h"
#include "net/duzudozuzesocketdevice.h"
#include "netsupport.h"
#include "protocol/duzudozuzestatusdatagram.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// Console mode's HTTP view (/http=) and its handshakes with systemd, the
// program as a black box, everything on 127.0.0.1.
class TestHttp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void failedSetUp_data();
    void failedSetUp();
    void health_data();
    void health();
    void stateOfTwoMasters();
    void timelineOfTwoMasters();
    void slowClientsHoldUpNoDatagrams();
    void serviceHandshakes();

private:
    void start(const QStringList &args = {}, const QProcessEnvironment &added = {},
               int errorPipe = -1);
    void launch(const QStringList &args, const QProcessEnvironment &added, int errorPipe);
    void send(quint32 from, const QString &system, int workstation, int channel);
    void sendMasters();
    QByteArray ask(const QByteArray &request) { return askHttp(httpPort, request); }
    QJsonObject state();

    HostInstallation host;
    QProcess program;
    QByteArray output;
    quint16 port = 0;
    quint16 httpPort = 0;
};

namespace {

const QString Hostile = QStringLiteral("<script>alert(1)</script>");

quint16 freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

void TestHttp::initTestCase()
{
    host.writeNetwork(QStringLiteral("north"), "Fire", 3);
    connect(&program, &QProcess::readyReadStandardOutput, this,
            [this] { output += program.readAllStandardOutput(); });
}

void TestHttp::cleanup()
{
    program.setChildProcessModifier({});
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
    output.clear();
}

void TestHttp::start(const QStringList &args, const QProcessEnvironment &added, int errorPipe)
{
    launch(args, added, errorPipe);
    QTRY_VERIFY(output.contains("HTTP view on http://127.0.0.1:"));
}

void TestHttp::launch(const QStringList &args, const QProcessEnvironment &added, int errorPipe)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HX_ROOT"), host.root());
    environment.insert(QStringLiteral("HX_SYSTEM"), QStringLiteral("north"));
    environment.insert(QStringLiteral("HX_WORKSTATION"), QStringLiteral("7"));
    environment.insert(added);
    program.setProcessEnvironment(environment);
    program.setChildProcessModifier([errorPipe] {
        if (errorPipe >= 0)
            ::dup2(errorPipe, STDERR_FILENO);
    });
    port = freePort();
    httpPort = freeTcpPort();
    program.start(QStringLiteral(DUZUDOZUZE_PROGRAM),
                  QStringList {QStringLiteral("/console"), QStringLiteral("/host=127.0.0.1"),
                               QStringLiteral("/port=%1").arg(port),
                               QStringLiteral("/http=127.0.0.1:%1").arg(httpPort)}
                      + args);
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
}

void TestHttp::send(quint32 from, const QString &system, int workstation, int channel)
{
    DuzUdozuzeSocketDevice sender;
    QVERIFY(sender.bind(from, 0));
    sender.writeDatagram(DuzUdozuzeStatusDatagram::format(QStringLiteral("NA"), system,
                                                          QStringLiteral("Fire"), workstation,
                                                          channel, true),
                         0x7F000001, port);
}

// Two masters in this workstation's group, and one of a hostile name.
void TestHttp::sendMasters()
{
    send(0x7F000002, QStringLiteral("north"), 2, 3);
    send(0x7F000003, QStringLiteral("north"), 5, 3);
    send(0x7F000004, Hostile, 9, 1);
}

QJsonObject TestHttp::state()
{
    const QByteArray answer = ask(httpRequest("/api/v1/state"));
    return QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
}

// An address that cannot be listened at, or is none, fails the set-up.
void TestHttp::failedSetUp_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("line");
    QTest::newRow("port taken") << QString() << "Can't listen for HTTP on 127.0.0.1:PORT: ";
    QTest::newRow("no address") << ":9209"
                                << "Not valid HTTP address: ':9209'";
    QTest::newRow("a host name") << "localhost:9209"
                                 << "Not valid HTTP address: 'localhost:9209'";
}

void TestHttp::failedSetUp()
{
    QFETCH(QString, value);
    QFETCH(QString, line);
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    const QString given
        = value.isEmpty() ? QStringLiteral("127.0.0.1:%1").arg(holder.serverPort()) : value;
    launch({QStringLiteral("/http=") + given}, {}, -1);
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitCode(), 1);
    const QString port = QString::number(holder.serverPort());
    QVERIFY2(output.contains(QString(line).replace(QLatin1String("PORT"), port).toLatin1()),
             output.constData());
    QVERIFY(!output.contains("HTTP view on"));
}

// The program's health as /healthz tells it: healthy once set up, not while
// nothing is heard for the silence time.
void TestHttp::health_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("healthy") << QStringList() << QByteArray("200") << QByteArray("\r\n\r\nok\n");
    QTest::newRow("silent: 503") << QStringList {QStringLiteral("/silence=1")} << QByteArray("503")
                                 << QByteArray("silence");
}

void TestHttp::health()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, expected);
    start(args);
    QByteArray answer;
    QTRY_VERIFY2((answer = ask(httpRequest("/healthz"))).startsWith("HTTP/1.1 " + status),
                 answer.constData());
    QVERIFY2(answer.contains(expected), answer.constData());
}

// The picture as JSON: both masters of this workstation's group and the
// warning.
void TestHttp::stateOfTwoMasters()
{
    start();
    sendMasters();
    QJsonObject picture;
    const auto masters = [&picture] {
        QStringList numbers;
        for (const QJsonValue &row : picture.value(QStringLiteral("rows")).toArray()) {
            const QJsonObject cells = row.toObject();
            if (cells.value(QStringLiteral("role")) == QLatin1String("MASTER"))
                numbers.append(cells.value(QStringLiteral("workstation")).toVariant().toString());
        }
        return numbers;
    };
    // The warning stands from the second master on: the third, of another
    // group, may come a moment later.
    QTRY_COMPARE((picture = state(), masters()), QStringList({"2", "5", "9"}));
    QCOMPARE(picture.value(QStringLiteral("warnings")).toArray().size(), 1);
    QVERIFY(picture.value(QStringLiteral("warnings"))
                .toArray()
                .at(0)
                .toString()
                .startsWith(QLatin1String("Two masters in north/Fire channel 3: ")));
    QCOMPARE(picture.value(QStringLiteral("headline"))
                 .toObject()
                 .value(QStringLiteral("text"))
                 .toString(),
             QStringLiteral("TWO MASTERS: 2 and 5"));
    QCOMPARE(picture.value(QStringLiteral("mode")).toString(), QStringLiteral("watching"));
}

// The timeline as JSON: a lane for each master, and a time that is none
// refused.
void TestHttp::timelineOfTwoMasters()
{
    start();
    sendMasters();
    QByteArray answer;
    const auto lanes = [&answer] {
        QStringList found;
        const QJsonObject timeline
            = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
        for (const QJsonValue &lane : timeline.value(QStringLiteral("lanes")).toArray()) {
            if (lane[QStringLiteral("group")] == QLatin1String("north/Fire/3"))
                found.append(QString::number(lane[QStringLiteral("workstation")].toInt()));
        }
        return found;
    };
    QTRY_COMPARE((answer = ask(httpRequest("/api/v1/timeline")), lanes()),
                 QStringList({"7", "2", "5"}));
    QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
    QVERIFY(answer.contains("\r\nContent-Type: application/json\r\n"));
    answer = ask(httpRequest("/api/v1/timeline?from=yesterday"));
    QVERIFY2(answer.startsWith("HTTP/1.1 400 Bad Request\r\n"), answer.constData());
}

// A crowd of connections that never finish their request: the datagrams'
// lines go on, and a client that asks is answered.
void TestHttp::slowClientsHoldUpNoDatagrams()
{
    start();
    std::vector<std::unique_ptr<QTcpSocket>> slow;
    for (int i = 0; i < 500; ++i) {
        slow.push_back(std::make_unique<QTcpSocket>());
        slow.back()->connectToHost(QHostAddress::LocalHost, httpPort);
        QVERIFY(slow.back()->waitForConnected(5000));
        slow.back()->write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n");
        slow.back()->flush();
    }
    sendMasters();
    QTRY_VERIFY(output.contains("Received 'NA:north:Fire:5:3:OK'"));
    QVERIFY(ask(httpRequest("/healthz")).startsWith("HTTP/1.1 200"));
}

// Run by systemd: READY=1 with the counts, the watchdog's pings at half its
// interval (never flat out for a short one), warnings to the journal with
// their priority, STOPPING=1 at the stop signal; standard output as it always
// is.
void TestHttp::serviceHandshakes()
{
    QCOMPARE(DuzUdozuzeServiceManager::pingInterval(1000), std::chrono::milliseconds(100));
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("notify")));
    const int notify = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    QVERIFY(::bind(notify, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    int errors[2];
    QVERIFY(::pipe2(errors, O_CLOEXEC) == 0);
    ::fcntl(errors[0], F_SETFL, O_NONBLOCK);
    struct stat stream;
    QVERIFY(::fstat(errors[1], &stream) == 0);
    QProcessEnvironment added;
    added.insert(QStringLiteral("NOTIFY_SOCKET"), QString::fromLocal8Bit(path));
    added.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("200000"));
    added.insert(QStringLiteral("JOURNAL_STREAM"),
                 QStringLiteral("%1:%2").arg(stream.st_dev).arg(stream.st_ino));
    start({}, added, errors[1]);
    ::close(errors[1]);

    QByteArrayList told;
    QByteArray errorText;
    const auto received = [&](const QByteArray &what) {
        char buffer[4096];
        for (ssize_t count; (count = ::recv(notify, buffer, sizeof buffer, 0)) > 0;)
            told.append(QByteArray(buffer, int(count)));
        for (ssize_t count; (count = ::read(errors[0], buffer, sizeof buffer)) > 0;)
            errorText.append(buffer, count);
        return told.contains(what) || errorText.contains(what);
    };
    QTRY_VERIFY(received("WATCHDOG=1"));
    QVERIFY(told.constFirst().startsWith("READY=1\nSTATUS=Received 0, shown 0"));
    sendMasters();
    QTRY_VERIFY(received(" Two masters in north/Fire channel 3"));
    QVERIFY(QRegularExpression(QStringLiteral("^<4>\\d\\d:\\d\\d:\\d\\d\\.\\d{3} Two masters"),
                               QRegularExpression::MultilineOption)
                .match(QString::fromLatin1(errorText))
                .hasMatch());
    program.terminate();
    QVERIFY(program.waitForFinished());
    QVERIFY(received("STOPPING=1"));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!output.contains("<4>") && !output.contains("<5>"));
    ::close(errors[0]);
    ::close(notify);
}

QTEST_GUILESS_MAIN(TestHttp)
#include "tst_http.moc"
