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
// pushed as it changes at /api/v1/events, the metrics at /metrics in
// Prometheus' text format, and /healthz. GET and HEAD only, 405 for any
// other method; no cookies, nothing a request can change. Every answer
// forbids sniffing and carries a content security policy that lets the page
// run its own inline script and style (by their hashes) and fetch from this
// server alone. The page inserts every text as text, never as markup.
//
// It runs in the event loop's thread: an answer is built from the picture as
// it stands. The metrics and the state are built at most once every
// CacheTime however many clients ask, so that clients cannot take the time
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
    };

    static constexpr qint64 CacheTime = 200; // ms

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
    };
    static const QByteArray &cached(Cached &cache, const std::function<QByteArray()> &build);

    Content m_content;
    QByteArray m_page;
    QByteArray m_icon; // SVG
    QByteArray m_policy; // Content-Security-Policy
    Cached m_metrics;
    Cached m_state;
    DuzUdozuzeEventStreams m_streams;
    DuzUdozuzeHttpListener *m_pListener = nullptr; // child of this object once bound
};

#endif // DUZUDOZUZEHTTPVIEW_H
