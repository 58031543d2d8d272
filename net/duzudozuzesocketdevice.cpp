// SPDX-License-Identifier: MIT
#include "net/duzudozuzesocketdevice.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

} // namespace

DuzUdozuzeSocketDevice::DuzUdozuzeSocketDevice()
    : m_descriptor(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
{
    if (m_descriptor < 0) {
        m_error = errno;
        return;
    }
    // Each datagram read in a batch tells when it arrived and where it was
    // sent; without them it is stamped when read, to the address bound.
    const int on = 1;
    ::setsockopt(m_descriptor, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    ::setsockopt(m_descriptor, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
}

DuzUdozuzeSocketDevice::~DuzUdozuzeSocketDevice()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

bool DuzUdozuzeSocketDevice::setOption(Option option, int value)
{
    if (::setsockopt(m_descriptor, SOL_SOCKET, nativeOption(option), &value, sizeof value) != 0) {
        m_error = errno;
        return false;
    }
    return true;
}

bool DuzUdozuzeSocketDevice::bind(quint32 address, quint16 port)
{
    const sockaddr_in native = socketAddress(address, port);
    if (::bind(m_descriptor, reinterpret_cast<const sockaddr *>(&native), sizeof native) != 0) {
        m_error = errno;
        return false;
    }
    return true;
}

quint16 DuzUdozuzeSocketDevice::localPort() const
{
    sockaddr_in native {};
    socklen_t length = sizeof native;
    if (::getsockname(m_descriptor, reinterpret_cast<sockaddr *>(&native), &length) != 0)
        return 0;
    return ntohs(native.sin_port);
}

quint64 DuzUdozuzeSocketDevice::inode() const
{
    struct stat status
    {
    };
    return ::fstat(m_descriptor, &status) == 0 ? quint64(status.st_ino) : 0;
}

qint64 DuzUdozuzeSocketDevice::readDatagram(char *data, qint64 maxSize, quint32 *address,
                                            quint16 *port)
{
    sockaddr_in sender {};
    socklen_t length = sizeof sender;
    ssize_t count;
    do {
        count = ::recvfrom(m_descriptor, data, size_t(maxSize), MSG_TRUNC,
                           reinterpret_cast<sockaddr *>(&sender), &length);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        m_error = errno;
        return -1;
    }
    *address = ntohl(sender.sin_addr.s_addr);
    *port = ntohs(sender.sin_port);
    return count;
}

int DuzUdozuzeSocketDevice::readDatagrams(Received *datagrams, int count, qint64 maxSize)
{
    count = std::min(count, MaxBatch);
    const size_t room = size_t(std::min<qint64>(maxSize, Received::Room));
    // Room for the two control messages asked for, aligned as they need.
    union Control {
        char buffer[CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(in_pktinfo))];
        cmsghdr align;
    };
    Control controls[MaxBatch];
    sockaddr_in senders[MaxBatch];
    iovec pieces[MaxBatch];
    mmsghdr messages[MaxBatch];
    for (int i = 0; i < count; ++i) {
        pieces[i] = {datagrams[i].data, room};
        messages[i] = {};
        messages[i].msg_hdr.msg_name = &senders[i];
        messages[i].msg_hdr.msg_namelen = sizeof senders[i];
        messages[i].msg_hdr.msg_iov = &pieces[i];
        messages[i].msg_hdr.msg_iovlen = 1;
        messages[i].msg_hdr.msg_control = controls[i].buffer;
        messages[i].msg_hdr.msg_controllen = sizeof controls[i].buffer;
    }
    int read;
    do {
        read = ::recvmmsg(m_descriptor, messages, unsigned(count), MSG_TRUNC, nullptr);
    } while (read < 0 && errno == EINTR);
    if (read < 0) {
        m_error = errno;
        return -1;
    }
    for (int i = 0; i < read; ++i) {
        Received &datagram = datagrams[i];
        msghdr &header = messages[i].msg_hdr;
        datagram.length = qint64(messages[i].msg_len);
        datagram.source = ntohl(senders[i].sin_addr.s_addr);
        datagram.sourcePort = ntohs(senders[i].sin_port);
        datagram.destination = 0;
        datagram.time = {};
        for (cmsghdr *message = CMSG_FIRSTHDR(&header); message;
             message = CMSG_NXTHDR(&header, message)) {
            if (message->cmsg_level == SOL_SOCKET && message->cmsg_type == SCM_TIMESTAMPNS) {
                timespec stamp;
                std::memcpy(&stamp, CMSG_DATA(message), sizeof stamp);
                datagram.time = DuzUdozuzeWallNs(std::chrono::seconds(stamp.tv_sec)
                                                 + std::chrono::nanoseconds(stamp.tv_nsec));
            } else if (message->cmsg_level == IPPROTO_IP && message->cmsg_type == IP_PKTINFO) {
                in_pktinfo information;
                std::memcpy(&information, CMSG_DATA(message), sizeof information);
                // The header's destination, a broadcast address too.
                datagram.destination = ntohl(information.ipi_addr.s_addr);
            }
        }
    }
    return read;
}

qint64 DuzUdozuzeSocketDevice::writeDatagram(const QByteArray &data, quint32 address, quint16 port)
{
    const sockaddr_in native = socketAddress(address, port);
    ssize_t count;
    do {
        count = ::sendto(m_descriptor, data.constData(), size_t(data.size()), 0,
                         reinterpret_cast<const sockaddr *>(&native), sizeof native);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        m_error = errno;
        return -1;
    }
    return count;
}

int DuzUdozuzeSocketDevice::writeDatagrams(const QByteArray *data, int count, quint32 address,
                                           quint16 port)
{
    count = std::min(count, MaxBatch);
    sockaddr_in native = socketAddress(address, port);
    iovec pieces[MaxBatch];
    mmsghdr messages[MaxBatch] = {};
    for (int i = 0; i < count; ++i) {
        pieces[i] = {const_cast<char *>(data[i].constData()), size_t(data[i].size())};
        messages[i].msg_hdr.msg_name = &native;
        messages[i].msg_hdr.msg_namelen = sizeof native;
        messages[i].msg_hdr.msg_iov = &pieces[i];
        messages[i].msg_hdr.msg_iovlen = 1;
    }
    int sent;
    do {
        sent = ::sendmmsg(m_descriptor, messages, unsigned(count), 0);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0)
        m_error = errno;
    return sent;
}

bool DuzUdozuzeSocketDevice::wouldBlock() const
{
    return m_error == EAGAIN || m_error == EWOULDBLOCK;
}

QString DuzUdozuzeSocketDevice::errorString() const
{
    return QString::fromLocal8Bit(std::strerror(m_error));
}
