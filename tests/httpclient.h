// SPDX-License-Identifier: MIT
#ifndef HTTPCLIENT_H
#define HTTPCLIENT_H

#include <QByteArray>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

// A request of path by method, as a browser would send it.
inline QByteArray httpRequest(const QByteArray &path, const QByteArray &method = "GET")
{
    return method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

// Whether answer is whole: its head and as much body as it says; for one
// without a length (a stream), as far as until; for HEAD, the head.
inline bool httpAnswerWhole(const QByteArray &answer, const QByteArray &request,
                            const QByteArray &until)
{
    const qsizetype headEnd = answer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    qsizetype length = -1;
    for (const QByteArray &line : answer.left(headEnd).split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    }
    if (request.startsWith("HEAD"))
        return true;
    return length >= 0 ? answer.size() >= headEnd + 4 + length : answer.contains(until);
}

// The whole answer to request on 127.0.0.1:port, head and body, or what came
// of it in 5 s. The event loop runs meanwhile, so that a server in this
// process answers. With closed, whether the server closed the connection
// after an answer that says it will.
inline QByteArray askHttp(quint16 port, const QByteArray &request, const QByteArray &until = {},
                          bool *closed = nullptr)
{
    QTcpSocket client;
    QByteArray answer;
    QEventLoop loop;
    bool whole = false;
    const auto closes = [&] {
        return closed
            && answer.left(answer.indexOf("\r\n\r\n") + 2).contains("\r\nConnection: close\r\n");
    };
    QObject::connect(&client, &QTcpSocket::readyRead, &loop, [&] {
        answer += client.readAll();
        whole = whole || httpAnswerWhole(answer, request, until);
        if (whole && !closes())
            loop.quit();
    });
    QObject::connect(&client, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&client, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    client.connectToHost(QHostAddress::LocalHost, port);
    client.write(request);
    loop.exec();
    answer += client.readAll();
    if (closes())
        *closed = client.state() == QAbstractSocket::UnconnectedState;
    return answer;
}

#endif // HTTPCLIENT_H
