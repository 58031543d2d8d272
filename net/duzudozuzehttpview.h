// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHTTPVIEW_H
#define DUZUDOZUZEHTTPVIEW_H

#include "net/duzudozuzeeventstreams.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>

#include <functional>

class DuzUdozuzeHttpListener;

// The picture over HTTP (/http=ADDR:PORT), read-only: the live page at /
// with its icon at /favicon.ico, the state as JSON at /api/v1/state and
// pushed as it changes at /api/v1/events, the timeline of a range
// (?from=&until=, ISO 8601) as JSON at /api/v1/timeline and as SVG at
// /api/v1/timeline.svg (&width=, in pixels), the metrics at /metrics in
// Prometheus' text format, and /healthz. GET and HEAD only, 405 for any
// other method; no cookies, nothing a request can change. Every answer
// forbids sniffing and carries a content security policy that lets the page
// run its own inline script and style (by their hashes) and fetch from this
// server alone. The page inserts every text as text, never as markup.
//
// It runs in the event loop's thread: an answer is built from the picture as
// it stands. The metrics and the state are built at most once every
// CacheTime however many clients ask (the timeline for each range asked
// last), so that clients cannot take the time
// the datagrams need.
class DuzUdozuzeHttpView : public QAbstractHttpServer
{
    Q_OBJECT

public:
    struct Content
    {
        std::function<QByteArray()> metrics;
        std::function<QByteArray()> state; // JSON
        // Why the service is not healthy; empty while it is.
        std::function<QString()> unhealthy;
        // The timeline of a range, in wall ms since the epoch (-1: not
        // given), as JSON and as SVG of a width; without them, 404.
        std::function<QByteArray(qint64 from, qint64 until)> timeline;
        std::function<QByteArray(qint64 from, qint64 until, int width)> timelineSvg;
    };

    // The SVG's width when none is asked, and the bounds of one asked.
    static constexpr int DefaultWidth = 1200;
    static constexpr int LeastWidth = 200;
    static constexpr int MostWidth = 10000;

    static constexpr qint64 CacheTime = 200; // ms

    // An answer's status, type and body.
    struct Answer;

    explicit DuzUdozuzeHttpView(Content content, QObject *parent = nullptr);
    ~DuzUdozuzeHttpView() override;

    // Listens at address and port; the error, or empty on success.
    QString listen(const QHostAddress &address, quint16 port);
    quint16 port() const;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Cached
    {
        QByteArray body;
        QElapsedTimer built;
        QByteArray key; // what it was built for
    };
    static const QByteArray &cached(Cached &cache, const std::function<QByteArray()> &build,
                                    const QByteArray &key = {});
    Answer timeline(const QUrl &url, bool svg);

    Content m_content;
    QByteArray m_page;
    QByteArray m_icon; // SVG
    QByteArray m_policy; // Content-Security-Policy
    Cached m_metrics;
    Cached m_state;
    Cached m_timeline;
    Cached m_timelineSvg;
    DuzUdozuzeEventStreams m_streams;
    DuzUdozuzeHttpListener *m_pListener = nullptr; // child of this object once bound
};

#endif // DUZUDOZUZEHTTPVIEW_H
