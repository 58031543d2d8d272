// SPDX-License-Identifier: MIT
#include "net/duzudozuzesocketdevice.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
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
    if (m_descriptor < 0)
        m_error = errno;
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
    constexpr int MaxBatch = 64;
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
