// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECAPTUREFEED_H
#define DUZUDOZUZECAPTUREFEED_H

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class DuzUdozuzeCaptureReader;
class DuzUdozuzeSocket;

// Feeds the socket object the capture its settings name (/read=), a slice at
// a time through the event loop, so that a front end stays live while a
// large file is read: every UDP datagram to the port goes through the
// socket's receive path with the capture's times. With /follow it reads on
// as the file grows, as tail -f does, until stopped.
class DuzUdozuzeCaptureFeed : public QObject
{
    Q_OBJECT

public:
    static constexpr int PacketsPerSlice = 5000;
    // How often a followed file is looked at again once read to its end.
    static constexpr int FollowInterval = 200; // ms

    // The socket outlives the feed.
    explicit DuzUdozuzeCaptureFeed(DuzUdozuzeSocket *socket, QObject *parent = nullptr);
    ~DuzUdozuzeCaptureFeed() override;

    // Begins reading from the event loop.
    void start();
    quint64 packetsRead() const;

signals:
    // What the operator should know, once each: a kind of packet skipped, or
    // why the capture could not be read to its end.
    void told(const QString &text);
    // The end of the capture: 0 read to its end, 2 unreadable or cut short.
    void ended(int code);

private:
    void readSlice();
    void skipped(const QString &why);
    void end(int code, const QString &error = QString());

    DuzUdozuzeSocket *m_pSocket; // not owned
    std::unique_ptr<DuzUdozuzeCaptureReader> m_pReader;
    QStringList m_skipsTold;
    QTimer m_followTimer;
};

#endif // DUZUDOZUZECAPTUREFEED_H
