// SPDX-License-Identifier: MIT
#include "net/duzudozuzeeventstreams.h"

#include <QTcpSocket>

DuzUdozuzeEventStreams::DuzUdozuzeEventStreams(std::function<QByteArray()> state, QObject *parent)
    : QObject(parent), m_state(std::move(state))
{
    // Only while there are streams.
    m_check.setInterval(CheckInterval);
    connect(&m_check, &QTimer::timeout, this, &DuzUdozuzeEventStreams::check);
}

QByteArray DuzUdozuzeEventStreams::event(const QByteArray &json)
{
    // A line break would end the field: each line is a field of its own.
    QByteArray lines = json;
    return "data: " + lines.replace('\n', "\ndata: ") + "\n\n";
}

void DuzUdozuzeEventStreams::add(QTcpSocket *socket)
{
    // A crowd of streams opening at once costs one state a look, not one each.
    if (!m_built.isValid() || m_built.hasExpired(CheckInterval))
        check();
    m_owed.insert(socket, false);
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { drained(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { remove(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { remove(socket); });
    socket->write(m_event);
    if (!m_check.isActive()) {
        m_check.start();
        m_written.start();
    }
}

void DuzUdozuzeEventStreams::check()
{
    QByteArray json = m_state();
    m_built.start();
    if (json != m_json) {
        m_json = std::move(json);
        m_event = event(m_json);
        send(m_event, false);
    } else if (m_written.hasExpired(HeartbeatTime)) {
        send(":\n", true);
    }
}

// A stream that still holds bytes for its reader needs no heartbeat, and is
// sent the newest state when they are gone.
void DuzUdozuzeEventStreams::send(const QByteArray &bytes, bool heartbeat)
{
    for (auto it = m_owed.begin(); it != m_owed.end(); ++it) {
        if (it.key()->bytesToWrite() > 0)
            it.value() = it.value() || !heartbeat;
        else
            it.key()->write(bytes);
    }
    m_written.start();
}

void DuzUdozuzeEventStreams::drained(QTcpSocket *socket)
{
    const auto found = m_owed.find(socket);
    if (found == m_owed.end() || !found.value() || socket->bytesToWrite() > 0)
        return;
    found.value() = false;
    socket->write(m_event);
}

void DuzUdozuzeEventStreams::remove(QTcpSocket *socket)
{
    if (m_owed.remove(socket) && m_owed.isEmpty())
        m_check.stop();
}
