// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESOCKETDEVICE_H
#define DUZUDOZUZESOCKETDEVICE_H

#include "common/duzudozuzetime.h"

#include <QByteArray>
#include <QString>

// A native IPv4 UDP socket, created at once and closed on destruction. Every
// call into the platform's sockets layer lives in this class. The socket is
// non-blocking: a read with nothing waiting returns at once.
class DuzUdozuzeSocketDevice
{
public:
    enum class Option { Broadcast, ReuseAddress, ReceiveBufferSize };

    DuzUdozuzeSocketDevice();
    ~DuzUdozuzeSocketDevice();
    DuzUdozuzeSocketDevice(const DuzUdozuzeSocketDevice &) = delete;
    DuzUdozuzeSocketDevice &operator=(const DuzUdozuzeSocketDevice &) = delete;

    bool isValid() const { return m_descriptor >= 0; }
    qintptr descriptor() const { return m_descriptor; }

    // Sets a socket-level option to an int value (0 or 1 for the switches).
    bool setOption(Option option, int value);

    // address and port in host order.
    bool bind(quint32 address, quint16 port);
    quint16 localPort() const;
    // The socket's inode number, as the system's socket tables name it.
    quint64 inode() const;

    // Reads one datagram, at most maxSize bytes (the rest of a longer one is
    // discarded). Returns the datagram's whole length, which is more than
    // maxSize when it was cut, or -1 on an error; wouldBlock() then tells
    // whether nothing was waiting and errorString() names the error.
    qint64 readDatagram(char *data, qint64 maxSize, quint32 *address, quint16 *port);

    // A datagram read in a batch, with what the system knows of its arrival.
    struct Received
    {
        static constexpr int Room = 256;
        char data[Room];
        qint64 length; // on the wire, more than the bytes read when it was cut
        quint32 source; // host order
        quint16 sourcePort;
        quint32 destination; // the datagram's own, host order; 0 when not known
        DuzUdozuzeWallNs time; // when it arrived; the epoch when not known
    };
    static constexpr int MaxBatch = 64;
    // Reads the datagrams waiting, at most count (up to MaxBatch) in one
    // call, each at most maxSize bytes (up to Received::Room) as
    // readDatagram does. Returns how many were read, or -1 on an error, as
    // readDatagram.
    int readDatagrams(Received *datagrams, int count, qint64 maxSize);
    qint64 writeDatagram(const QByteArray &data, quint32 address, quint16 port);
    // Several datagrams to one destination in one call; returns how many were
    // sent, from the first, or -1 on an error (as writeDatagram).
    int writeDatagrams(const QByteArray *data, int count, quint32 address, quint16 port);

    bool wouldBlock() const;
    QString errorString() const;

private:
    qintptr m_descriptor = -1; // a SOCKET on Windows, INVALID_SOCKET as -1
    int m_error = 0;
};

#endif // DUZUDOZUZESOCKETDEVICE_H
