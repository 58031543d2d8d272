// SPDX-License-Identifier: MIT
#include "net/duzudozuzehttpview.h"

#include "net/duzudozuzehttplistener.h"
#include "net/duzudozuzerecordoptions.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QUrlQuery>

namespace {

using Status = QHttpServerResponder::StatusCode;

// The hash of the text between open and close in page, as a policy source.
QByteArray inlineHash(const QByteArray &page, const QByteArray &open, const QByteArray &close)
{
    const qsizetype start = page.indexOf(open);
    const qsizetype end = page.indexOf(close, start);
    if (start < 0 || end < 0)
        return "'none'";
    const QByteArray text = page.mid(start + open.size(), end - start - open.size());
    return "'sha256-" + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64()
        + '\'';
}

} // namespace

struct DuzUdozuzeHttpView::Answer
{
    Status status = Status::Ok;
    QByteArray type;
    QByteArray body;
};

namespace {

DuzUdozuzeHttpView::Answer text(Status status, const QByteArray &body)
{
    return {status, "text/plain; charset=utf-8", body};
}

} // namespace

DuzUdozuzeHttpView::DuzUdozuzeHttpView(Content content, QObject *parent)
    : QAbstractHttpServer(parent), m_content(std::move(content)), m_streams(m_content.state)
{
    QFile page(QStringLiteral(":/http/duzudozuze.html"));
    if (page.open(QIODevice::ReadOnly))
        m_page = page.readAll();
    QFile icon(QStringLiteral(":/http/duzudozuze.svg"));
    if (icon.open(QIODevice::ReadOnly))
        m_icon = icon.readAll();
    // Only this server, and of inline code only the page's own. The page
    // draws the icon of the state it shows as a data: URL.
    m_policy = "default-src 'self'; script-src " + inlineHash(m_page, "<script>", "</script>")
        + "; style-src " + inlineHash(m_page, "<style>", "</style>")
        + "; img-src 'self' data:; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
}

DuzUdozuzeHttpView::~DuzUdozuzeHttpView() = default;

QString DuzUdozuzeHttpView::listen(const QHostAddress &address, quint16 port)
{
    auto *listener = new DuzUdozuzeHttpListener(this);
    if (!listener->listen(address, port)) {
        const QString error = listener->errorString();
        delete listener;
        return error;
    }
    m_pListener = listener;
    bind(listener);
    return {};
}

quint16 DuzUdozuzeHttpView::port() const
{
    return m_pListener ? m_pListener->serverPort() : 0;
}

const QByteArray &DuzUdozuzeHttpView::cached(Cached &cache,
                                             const std::function<QByteArray()> &build,
                                             const QByteArray &key)
{
    if (!cache.built.isValid() || cache.built.hasExpired(CacheTime) || cache.key != key) {
        cache.body = build();
        cache.built.start();
        cache.key = key;
    }
    return cache.body;
}

// The range (and width) the query asks, 400 for a value that is none.
DuzUdozuzeHttpView::Answer DuzUdozuzeHttpView::timeline(const QUrl &url, bool svg)
{
    if (!(svg ? bool(m_content.timelineSvg) : bool(m_content.timeline)))
        return text(Status::NotFound, "Not found\n");
    const QUrlQuery query(url);
    qint64 times[2] = {-1, -1};
    const char *const names[2] = {"from", "until"};
    for (int i = 0; i < 2; ++i) {
        const QString name = QLatin1String(names[i]);
        if (!query.hasQueryItem(name))
            continue;
        const std::optional<qint64> time
            = DuzUdozuzeRecordOptions::time(query.queryItemValue(name, QUrl::FullyDecoded));
        if (!time)
            return text(Status::BadRequest,
                        QByteArray(names[i]) + ": not a time in ISO 8601 (2026-12-09T03:00)\n");
        times[i] = *time;
    }
    if (!svg) {
        return {Status::Ok, "application/json",
                cached(
                    m_timeline, [&] { return m_content.timeline(times[0], times[1]); },
                    url.query().toUtf8())};
    }
    int width = DefaultWidth;
    if (query.hasQueryItem(QStringLiteral("width"))) {
        bool number = false;
        width = query.queryItemValue(QStringLiteral("width")).toInt(&number);
        if (!number || width < LeastWidth || width > MostWidth)
            return text(Status::BadRequest, "width: not a number of pixels from 200 to 10000\n");
    }
    return {Status::Ok, "image/svg+xml",
            cached(
                m_timelineSvg, [&] { return m_content.timelineSvg(times[0], times[1], width); },
                url.query().toUtf8())};
}

bool DuzUdozuzeHttpView::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    using Method = QHttpServerRequest::Method;
    // A stream's reader has nothing more to ask on it.
    if (m_streams.contains(socket)) {
        socket->abort();
        return true;
    }
    const bool head = request.method() == Method::Head;
    const QString path = request.url().path();
    Answer answer;
    bool stream = false;
    if (!head && request.method() != Method::Get) {
        answer = text(Status::MethodNotAllowed, "Only GET and HEAD\n");
    } else if (path == QLatin1String("/")) {
        answer = {Status::Ok, "text/html; charset=utf-8", m_page};
    } else if (path == QLatin1String("/favicon.ico")) {
        answer = {Status::Ok, "image/svg+xml", m_icon};
    } else if (path == QLatin1String("/api/v1/events")) {
        answer = {Status::Ok, "text/event-stream", {}};
        stream = true;
    } else if (path == QLatin1String("/metrics")) {
        answer = {Status::Ok, "text/plain; version=0.0.4; charset=utf-8",
                  cached(m_metrics, m_content.metrics)};
    } else if (path == QLatin1String("/api/v1/state")) {
        answer = {Status::Ok, "application/json", cached(m_state, m_content.state)};
    } else if (path == QLatin1String("/api/v1/timeline")
               || path == QLatin1String("/api/v1/timeline.svg")) {
        answer = timeline(request.url(), path.endsWith(QLatin1String(".svg")));
    } else if (path == QLatin1String("/healthz")) {
        const QString why = m_content.unhealthy();
        answer = why.isEmpty() ? text(Status::Ok, "ok\n")
                               : text(Status::ServiceUnavailable, why.toUtf8() + '\n');
    } else {
        answer = text(Status::NotFound, "Not found\n");
    }

    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(answer.status);
    responder.writeHeaders({{"Content-Type", answer.type},
                            {"Cache-Control", "no-store"},
                            {"Content-Security-Policy", m_policy},
                            {"X-Content-Type-Options", "nosniff"},
                            {"Referrer-Policy", "no-referrer"}});
    // A stream's body has no length: it ends where the connection does.
    if (!stream)
        responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
    // A client that says it is done is let go at once, not at the idle time:
    // its place is free for the next. An HTTP/1.0 client is done unless it
    // asks to be kept. A stream's client is done when the stream ends.
    const QByteArray connection = request.value("connection").toLower();
    const bool http10 = m_pListener && m_pListener->isHttp10(socket);
    const bool closing
        = connection.contains("close") || (http10 && !connection.contains("keep-alive")) || stream;
    if (closing)
        responder.writeHeader("Connection", "close");
    else if (http10)
        responder.writeHeader("Connection", "keep-alive");
    if (answer.status == Status::MethodNotAllowed)
        responder.writeHeader("Allow", "GET, HEAD");
    responder.writeBody(head ? QByteArray() : answer.body);
    if (stream && !head)
        m_streams.add(socket);
    else if (closing)
        socket->disconnectFromHost();
    return true;
}

// Every request is answered above, a path it does not know with 404.
void DuzUdozuzeHttpView::missingHandler(const QHttpServerRequest &, QTcpSocket *) { }
