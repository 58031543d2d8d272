// SPDX-License-Identifier: MIT
#include "net/duzudozuzesocketdevice.h"

// In the order Windows needs them.
#include <winsock2.h>

#include <mswsock.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

namespace {

// Winsock is started once, for the life of the process.
bool winsockStarted()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

int nativeOption(DuzUdozuzeSocketDevice::Option option)
{
    switch (option) {
    case DuzUdozuzeSocketDevice::Option::Broadcast:
        return SO_BROADCAST;
    case DuzUdozuzeSocketDevice::Option::ReuseAddress:
        return SO_REUSEADDR;
    case DuzUdozuzeSocketDevice::Option::ReceiveBufferSize:
        return SO_RCVBUF;
    }
    return -1;
}

sockaddr_in socketAddress(quint32 address, quint16 port)
{
    sockaddr_in native {};
    native.sin_family = AF_INET;
    native.sin_addr.s_addr = htonl(address);
    native.sin_port = htons(port);
    return native;
}

SOCKET handle(qintptr descriptor)
{
    return SOCKET(descriptor);
}

// Room for the longest datagram: Winsock tells no whole length of one it
// cuts, so each is read whole and cut here.
constexpr int LongestDatagram = 65536;

} // namespace

DuzUdozuzeSocketDevice::DuzUdozuzeSocketDevice()
{
    if (!winsockStarted()) {
        m_error = WSANOTINITIALISED;
        return;
    }
    const SOCKET socket = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0,
                                       WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) {
        m_error = WSAGetLastError();
        return;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    // A datagram that finds no port on a host that answers with ICMP would
    // otherwise fail the next read with WSAECONNRESET.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(socket, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned,
               nullptr, nullptr);
    m_descriptor = qintptr(socket);
}

DuzUdozuzeSocketDevice::~DuzUdozuzeSocketDevice()
{
    if (m_descriptor >= 0)
        ::closesocket(handle(m_descriptor));
}

bool DuzUdozuzeSocketDevice::setOption(Option option, int value)
{
    if (::setsockopt(handle(m_descriptor), SOL_SOCKET, nativeOption(option),
                     reinterpret_cast<const char *>(&value), sizeof value)
        != 0) {
        m_error = WSAGetLastError();
        return false;
    }
    return true;
}

bool DuzUdozuzeSocketDevice::bind(quint32 address, quint16 port)
{
    const sockaddr_in native = socketAddress(address, port);
    if (::bind(handle(m_descriptor), reinterpret_cast<const sockaddr *>(&native), sizeof native)
        != 0) {
        m_error = WSAGetLastError();
        return false;
    }
    return true;
}

quint16 DuzUdozuzeSocketDevice::localPort() const
{
    sockaddr_in native {};
    int length = sizeof native;
    if (::getsockname(handle(m_descriptor), reinterpret_cast<sockaddr *>(&native), &length) != 0)
        return 0;
    return ntohs(native.sin_port);
}

// Windows names sockets by no inode.
quint64 DuzUdozuzeSocketDevice::inode() const
{
    return 0;
}

qint64 DuzUdozuzeSocketDevice::readDatagram(char *data, qint64 maxSize, quint32 *address,
                                            quint16 *port)
{
    static thread_local char whole[LongestDatagram];
    sockaddr_in sender {};
    int length = sizeof sender;
    const int count = ::recvfrom(handle(m_descriptor), whole, sizeof whole, 0,
                                 reinterpret_cast<sockaddr *>(&sender), &length);
    if (count < 0) {
        m_error = WSAGetLastError();
        return -1;
    }
    std::memcpy(data, whole, size_t(std::min<qint64>(count, maxSize)));
    *address = ntohl(sender.sin_addr.s_addr);
    *port = ntohs(sender.sin_port);
    return count;
}

// One datagram a call: the arrival is stamped by the caller, the
// destination taken as the address bound.
int DuzUdozuzeSocketDevice::readDatagrams(Received *datagrams, int count, qint64 maxSize)
{
    count = std::min(count, MaxBatch);
    const qint64 room = std::min<qint64>(maxSize, Received::Room);
    int read = 0;
    for (; read < count; ++read) {
        Received &datagram = datagrams[read];
        const qint64 length
            = readDatagram(datagram.data, room, &datagram.source, &datagram.sourcePort);
        if (length < 0)
            return read > 0 ? read : -1;
        datagram.length = length;
        datagram.destination = 0;
        datagram.time = {};
    }
    return read;
}

qint64 DuzUdozuzeSocketDevice::writeDatagram(const QByteArray &data, quint32 address, quint16 port)
{
    const sockaddr_in native = socketAddress(address, port);
    const int count = ::sendto(handle(m_descriptor), data.constData(), int(data.size()), 0,
                               reinterpret_cast<const sockaddr *>(&native), sizeof native);
    if (count < 0) {
        m_error = WSAGetLastError();
        return -1;
    }
    return count;
}

int DuzUdozuzeSocketDevice::writeDatagrams(const QByteArray *data, int count, quint32 address,
                                           quint16 port)
{
    count = std::min(count, MaxBatch);
    int sent = 0;
    for (; sent < count; ++sent) {
        if (writeDatagram(data[sent], address, port) < 0)
            return sent > 0 ? sent : -1;
    }
    return sent;
}

bool DuzUdozuzeSocketDevice::wouldBlock() const
{
    return m_error == WSAEWOULDBLOCK;
}

QString DuzUdozuzeSocketDevice::errorString() const
{
    return qt_error_string(m_error);
}
