// SPDX-License-Identifier: MIT
#include "common/duzudozuzesettings.h"
#include "httpclient.h"
#include "net/duzudozuzehttplistener.h"
#include "net/duzudozuzehttpview.h"
#include "net/duzudozuzemetrics.h"
#include "protocol/duzudozuzesession.h"
#include "protocol/duzudozuzestatejson.h"
#include "protocol/duzudozuzetimelinejson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <sys/resource.h>

// The HTTP view on 127.0.0.1 with the content this test gives it: what each
// path and method is answered, the bounds the listener keeps, and a name
// from the network through the state and the metrics.
class TestHttpView : public QObject, public DuzUdozuzeSession::Sink
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void answers_data();
    void answers();
    void streamCarriesChanges();
    void slowClientsHoldNothingUp_data();
    void slowClientsHoldNothingUp();
    void hostileNameStaysText_data();
    void hostileNameStaysText();

private:
    QByteArray ask(const QByteArray &request, const QByteArray &until = {}, bool *closed = nullptr)
    {
        return askHttp(view->port(), request, until, closed);
    }

    void logLine(const QString &) override { }
    bool sendStatus(const QByteArray &) override { return true; }
    void warned(bool, const QString &) override { }
    void counted() override { }
    void modeChanged(bool) override { }

    std::unique_ptr<DuzUdozuzeHttpView> view;
    QByteArray metrics;
    QByteArray state;
    QString unhealthy;
    // With it, the state and the metrics are the session's.
    DuzUdozuzeSettings settings;
    std::unique_ptr<DuzUdozuzeSession> session;
};

void TestHttpView::initTestCase()
{
    // The clients of the crowds below are in this process too, beside the
    // descriptors the listener keeps within the default 1,024.
    rlimit files {};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &files), 0);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
}

void TestHttpView::init()
{
    metrics = "duzudozuze_master 0\n";
    state = R"({"capture":false,"mode":"watching"})";
    unhealthy.clear();
    session.reset();
    view = std::make_unique<DuzUdozuzeHttpView>(DuzUdozuzeHttpView::Content {
        [this] { return session ? DuzUdozuzeMetrics::text(*session, settings, {}, 0) : metrics; },
        [this] {
            return session ? QJsonDocument(DuzUdozuzeStateJson::state(*session, settings, 0, true))
                                 .toJson(QJsonDocument::Compact)
                           : state;
        },
        [this] { return unhealthy; },
        [this](qint64 from, qint64 until) {
            if (!session)
                return "{\"from\":" + QByteArray::number(from)
                    + ",\"until\":" + QByteArray::number(until) + '}';
            const DuzUdozuzeTimeline &kept = session->timeline();
            return QJsonDocument(
                       DuzUdozuzeTimelineJson::timeline(
                           kept, DuzUdozuzeTimelineJson::range(kept, from, until, 3600000)))
                .toJson(QJsonDocument::Compact);
        },
        [](qint64, qint64, int width) {
            return "<svg width=\"" + QByteArray::number(width) + "\"/>";
        }});
    QCOMPARE(view->listen(QHostAddress::LocalHost, 0), QString());
    QVERIFY(view->port() != 0);
}

void TestHttpView::cleanup()
{
    view.reset();
}

// What each path and method is answered, always with the headers that keep
// a browser from reading an answer as something else.
void TestHttpView::answers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("unhealthy");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray policy = "Content-Security-Policy: default-src 'self';";
    QTest::newRow("page") << httpRequest("/") << QString() << QByteArray("200") << policy;
    QTest::newRow("page as HTML") << httpRequest("/") << QString() << QByteArray("200")
                                  << QByteArray("Content-Type: text/html; charset=utf-8\r\n");
    QTest::newRow("metrics for Prometheus")
        << httpRequest("/metrics") << QString() << QByteArray("200")
        << QByteArray("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n");
    QTest::newRow("metrics as built") << httpRequest("/metrics") << QString() << QByteArray("200")
                                      << QByteArray("\r\n\r\nduzudozuze_master 0\n");
    QTest::newRow("state as JSON") << httpRequest("/api/v1/state") << QString() << QByteArray("200")
                                   << QByteArray("Content-Type: application/json\r\n");
    QTest::newRow("state as built")
        << httpRequest("/api/v1/state") << QString() << QByteArray("200")
        << QByteArray("\r\n\r\n{\"capture\":false,\"mode\":\"watching\"}");
    QTest::newRow("healthy") << httpRequest("/healthz") << QString() << QByteArray("200")
                             << QByteArray("\r\n\r\nok\n");
    QTest::newRow("not healthy: 503 and why")
        << httpRequest("/healthz") << "the set-up failed" << QByteArray("503")
        << QByteArray("\r\n\r\nthe set-up failed\n");
    QTest::newRow("POST refused") << QByteArray(
        "POST /api/v1/state HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}")
                                  << QString() << QByteArray("405")
                                  << QByteArray("Allow: GET, HEAD\r\n");
    QTest::newRow("DELETE refused") << httpRequest("/", "DELETE") << QString() << QByteArray("405")
                                    << QByteArray("Allow: GET, HEAD\r\n");
    QTest::newRow("HEAD: no body")
        << httpRequest("/api/v1/state", "HEAD") << QString() << QByteArray("200")
        << QByteArray("Content-Type: application/json\r\n");
    QTest::newRow("unknown path") << httpRequest("/etc/passwd") << QString() << QByteArray("404")
                                  << QByteArray("Not found");
    QTest::newRow("HTTP/1.0: let go after its answer")
        << QByteArray("GET /healthz HTTP/1.0\r\n\r\n") << QString() << QByteArray("200")
        << QByteArray("Connection: close\r\n");
    QTest::newRow("HTTP/1.0: kept when it asks")
        << QByteArray("GET /healthz HTTP/1.0\r\nConnection: keep-alive\r\n\r\n") << QString()
        << QByteArray("200") << QByteArray("Connection: keep-alive\r\n");
    QTest::newRow("HTTP/1.1: let go when it says")
        << QByteArray("GET /healthz HTTP/1.1\r\nConnection: close\r\n\r\n") << QString()
        << QByteArray("200") << QByteArray("Connection: close\r\n");
    QTest::newRow("icon") << httpRequest("/favicon.ico") << QString() << QByteArray("200")
                          << QByteArray("Content-Type: image/svg+xml\r\n");
    QTest::newRow("event stream") << httpRequest("/api/v1/events") << QString() << QByteArray("200")
                                  << QByteArray("Content-Type: text/event-stream\r\n");
    QTest::newRow("event stream: the state at once")
        << httpRequest("/api/v1/events") << QString() << QByteArray("200")
        << QByteArray("\r\n\r\ndata: {\"capture\":false,\"mode\":\"watching\"}\n\n");
    // The state does not change: a beat comes.
    QTest::newRow("event stream: a heartbeat") << httpRequest("/api/v1/events") << QString()
                                               << QByteArray("200") << QByteArray("}\n\n:\n");
    QTest::newRow("timeline as JSON")
        << httpRequest("/api/v1/timeline") << QString() << QByteArray("200")
        << QByteArray("Content-Type: application/json\r\n");
    QTest::newRow("timeline: none asked")
        << httpRequest("/api/v1/timeline") << QString() << QByteArray("200")
        << QByteArray("\r\n\r\n{\"from\":-1,\"until\":-1}");
    QTest::newRow("timeline: the range asked")
        << httpRequest("/api/v1/timeline?from=2026-12-09T03:00Z&until=2026-12-09T04:00%2B01:00")
        << QString() << QByteArray("200")
        << QByteArray("\r\n\r\n{\"from\":1796785200000,\"until\":1796785200000}");
    QTest::newRow("timeline as SVG")
        << httpRequest("/api/v1/timeline.svg?width=640") << QString() << QByteArray("200")
        << QByteArray("Content-Type: image/svg+xml\r\n");
    QTest::newRow("timeline as SVG: the width asked")
        << httpRequest("/api/v1/timeline.svg?width=640") << QString() << QByteArray("200")
        << QByteArray("\r\n\r\n<svg width=\"640\"/>");
    QTest::newRow("timeline as SVG: a bad width")
        << httpRequest("/api/v1/timeline.svg?width=1e9") << QString() << QByteArray("400")
        << QByteArray("width: not a number");
    const QByteArray filler(DuzUdozuzeHttpListener::MaxHead - 100, 'a');
    QTest::newRow("a head within 8 KiB")
        << QByteArray("GET /healthz HTTP/1.1\r\nX-Filler: " + filler + "\r\n\r\n") << QString()
        << QByteArray("200") << QByteArray("ok");
    QTest::newRow("a head past 8 KiB")
        << QByteArray("GET /healthz HTTP/1.1\r\nX-Filler: " + filler + filler + "\r\n\r\n")
        << QString() << QByteArray("431") << QByteArray("Connection: close");
}

void TestHttpView::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, unhealthy);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, expected);
    this->unhealthy = unhealthy;
    // A stream stays open: its body ends where the connection does.
    const bool stream = request.contains("/api/v1/events");
    bool closed = false;
    const QByteArray answer = ask(request, expected, stream ? nullptr : &closed);
    QVERIFY2(answer.startsWith("HTTP/1.1 " + status), answer.constData());
    QVERIFY2(answer.contains(expected), answer.constData());
    if (answer.contains("\r\nConnection: close\r\n") && !stream)
        QVERIFY(closed);
    if (status != "431")
        QVERIFY(answer.contains("X-Content-Type-Options: nosniff\r\n"));
    if (request.startsWith("HEAD"))
        QVERIFY(answer.endsWith("\r\n\r\n"));
}

// A stream's reader is sent the state again when it changes.
void TestHttpView::streamCarriesChanges()
{
    QTcpSocket reader;
    QByteArray got;
    connect(&reader, &QTcpSocket::readyRead, this, [&] { got += reader.readAll(); });
    reader.connectToHost(QHostAddress::LocalHost, view->port());
    reader.write(httpRequest("/api/v1/events"));
    QTRY_VERIFY(got.contains("data: " + state + "\n\n"));
    state = R"({"capture":false,"mode":"master"})";
    QTRY_VERIFY(got.contains("data: " + state + "\n\n"));
}

// Connections that never finish their request, or never start it, or hold
// an event stream: a client that asks is answered, and no more than
// MaxConnections stay open.
void TestHttpView::slowClientsHoldNothingUp_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("100 half-open") << 100 << QByteArray("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    // Many more than there are places: a whole request goes ahead of them all.
    QTest::newRow("500 silent") << 500 << QByteArray();
    QTest::newRow("100 event streams") << 100 << httpRequest("/api/v1/events");
}

void TestHttpView::slowClientsHoldNothingUp()
{
    QFETCH(int, count);
    QFETCH(QByteArray, sent);
    std::vector<std::unique_ptr<QTcpSocket>> slow;
    for (int i = 0; i < count; ++i) {
        slow.push_back(std::make_unique<QTcpSocket>());
        slow.back()->connectToHost(QHostAddress::LocalHost, view->port());
        slow.back()->write(sent);
    }
    const auto connected = [&slow] {
        return std::all_of(slow.begin(), slow.end(), [](const auto &socket) {
            return socket->state() != QAbstractSocket::ConnectingState
                && socket->state() != QAbstractSocket::HostLookupState;
        });
    };
    QTRY_VERIFY(connected());
    QVERIFY(ask(httpRequest("/healthz")).startsWith("HTTP/1.1 200"));
    const auto open = [&slow] {
        return std::count_if(slow.begin(), slow.end(), [](const auto &socket) {
            return socket->state() == QAbstractSocket::ConnectedState;
        });
    };
    QTRY_VERIFY(open() <= DuzUdozuzeHttpListener::MaxConnections);
}

// A system name from the network, with markup, quotes, a backslash and a
// terminal's escape: the state carries it as the text the window shows, and
// the metrics as an escaped label value.
void TestHttpView::hostileNameStaysText_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("state") << QByteArray("/api/v1/state");
    QTest::newRow("metrics") << QByteArray("/metrics");
    QTest::newRow("timeline") << QByteArray("/api/v1/timeline");
}

void TestHttpView::hostileNameStaysText()
{
    QFETCH(QByteArray, path);
    settings = DuzUdozuzeSettings();
    const DuzUdozuzeSession::Time now {{}, duzUdozuzeWallMs(1700000000000)};
    session = std::make_unique<DuzUdozuzeSession>(settings, *this, now);
    session->startListening(now);
    // A moment later, so that the timeline has a range.
    const DuzUdozuzeSession::Time later {duzUdozuzeSourceMs(1000), duzUdozuzeWallMs(1700000001000)};
    const QByteArray datagram = "NA:<script>\"x\\\x1b[2J</script>:Fire:9:1:OK";
    session->receive(datagram.constData(), datagram.size(), datagram.size(), 0x7F000001, 40000,
                     later);
    session->advance({duzUdozuzeSourceMs(2000), duzUdozuzeWallMs(1700000002000)});
    const QByteArray answer = ask(httpRequest(path));
    const QByteArray body = answer.mid(answer.indexOf("\r\n\r\n") + 4);
    QVERIFY2(!body.contains('\x1b'), body.constData());
    if (path == "/metrics") {
        QVERIFY2(body.contains(R"(system="<script>\"x\\\\x1B[2J</script>")"), body.constData());
        return;
    }
    QString system;
    const QJsonObject picture = QJsonDocument::fromJson(body).object();
    if (path == "/api/v1/timeline") {
        for (const QJsonValue &lane : picture.value(QStringLiteral("lanes")).toArray()) {
            if (lane[QStringLiteral("workstation")].toInt() == 9)
                system = lane[QStringLiteral("group")].toString().section(QLatin1Char('/'), 0, -3);
        }
    }
    for (const QJsonValue &row : picture.value(QStringLiteral("rows")).toArray()) {
        if (row.toObject().value(QStringLiteral("workstation")).toInt() == 9)
            system = row.toObject().value(QStringLiteral("system")).toString();
    }
    QCOMPARE(system, QStringLiteral("<script>\"x\\\\x1B[2J</script>"));
}

QTEST_GUILESS_MAIN(TestHttpView)
#include "tst_httpview.moc"
