// SPDX-License-Identifier: MIT
#include "net/duzudozuzecapturesource.h"

#include "common/duzudozuzelogline.h"
#include "net/duzudozuzequietthread.h"
#include "net/duzudozuzerecordfolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdio_ext.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

// The stream libpcap reads: the capture's descriptor, read only once it is
// readable or the source stops. Before waiting, what was read so far is
// handed over, so that a datagram from a live pipe is seen at once.
struct DuzUdozuzeCaptureStream
{
    DuzUdozuzeCaptureSource *source;
    int descriptor;
    bool owned; // standard input stays open

    static ssize_t read(void *cookie, char *buffer, size_t size)
    {
        auto *stream = static_cast<DuzUdozuzeCaptureStream *>(cookie);
        for (int wait = 0;; wait = -1) {
            pollfd ready[2]
                = {{stream->descriptor, POLLIN, 0}, {stream->source->m_nStop, POLLIN, 0}};
            if (wait != 0)
                stream->source->flushAll();
            const int count = ::poll(ready, 2, wait);
            if (count < 0 && errno != EINTR)
                return -1;
            if (ready[1].revents != 0) {
                errno = ECANCELED;
                return -1;
            }
            if (count > 0 && ready[0].revents != 0) {
                const ssize_t got = ::read(stream->descriptor, buffer, size);
                if (got >= 0 || (errno != EAGAIN && errno != EINTR))
                    return got;
            }
        }
    }

    static int seek(void *cookie, off64_t *position, int whence)
    {
        auto *stream = static_cast<DuzUdozuzeCaptureStream *>(cookie);
        const off64_t at = ::lseek64(stream->descriptor, *position, whence);
        if (at < 0)
            return -1;
        *position = at;
        return 0;
    }

    static int close(void *cookie)
    {
        auto *stream = static_cast<DuzUdozuzeCaptureStream *>(cookie);
        const int result = stream->owned ? ::close(stream->descriptor) : 0;
        delete stream;
        return result;
    }
};

namespace {

// The packet numbers of a reader, counted over every file read.
quint64 packetOf(const DuzUdozuzeCaptureReader &reader, quint64 base)
{
    return base + reader.packetNumber();
}

} // namespace

DuzUdozuzeCaptureSource::DuzUdozuzeCaptureSource(const QString &path, bool follow,
                                                 std::function<void()> wake, Span span,
                                                 quint16 port,
                                                 std::shared_ptr<DuzUdozuzeRecorder> recorder)
    : m_strPath(path),
      m_bFollow(follow),
      m_span(span),
      m_nPort(port),
      m_strOtherPort(QStringLiteral("to another port than %1").arg(port)),
      m_pRecorder(std::move(recorder)),
      m_wake(std::move(wake))
{
    m_nStop = ::eventfd(0, EFD_CLOEXEC);
    m_thread = duzUdozuzeQuietThread(&DuzUdozuzeCaptureSource::run, this);
}

DuzUdozuzeCaptureSource::~DuzUdozuzeCaptureSource()
{
    m_bStopping = true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopped = true;
    }
    m_taken.notify_all();
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_nStop, &one, sizeof one);
    m_thread.join();
    ::close(m_nStop);
}

bool DuzUdozuzeCaptureSource::take(Batch &batch)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.empty())
            return false;
        m_spare.push_back(std::move(batch));
        batch = std::move(m_queue.front());
        m_queue.pop_front();
        m_nQueued -= batch.items.size();
    }
    m_taken.notify_all();
    return true;
}

size_t DuzUdozuzeCaptureSource::waiting()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nQueued;
}

bool DuzUdozuzeCaptureSource::stopping() const
{
    return m_bStopping.load(std::memory_order_relaxed);
}

bool DuzUdozuzeCaptureSource::pause(int ms)
{
    pollfd ready {m_nStop, POLLIN, 0};
    return ::poll(&ready, 1, ms) == 0;
}

void DuzUdozuzeCaptureSource::push(Item item)
{
    if (item.kind == Item::Kind::Datagram) {
        const QByteArrayView payload = item.datagram.payload;
        item.payloadAt = qsizetype(m_filling.bytes.size());
        item.payloadSize = payload.size();
        item.datagram.payload = {};
        m_filling.bytes.insert(m_filling.bytes.end(), payload.begin(), payload.end());
    }
    m_filling.items.push_back(std::move(item));
    if (m_filling.items.size() >= BatchSize)
        flush();
}

void DuzUdozuzeCaptureSource::record(const DuzUdozuzeCaptureReader::Datagram &datagram)
{
    if (m_pRecorder) {
        m_pRecorder->record(datagram);
    }
}

void DuzUdozuzeCaptureSource::clearFilling()
{
    m_filling.items.clear();
    m_filling.bytes.clear();
}

void DuzUdozuzeCaptureSource::flush()
{
    if (m_filling.items.empty())
        return;
    bool wasEmpty;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        // A wait as long as the recording's flush interval (standard output
        // paused, say) writes the recording out meanwhile.
        const auto room = [this] { return m_bStopped || m_nQueued < Capacity; };
        while (!m_taken.wait_for(lock, std::chrono::milliseconds(DuzUdozuzeRecorder::FlushInterval),
                                 room)) {
            if (m_pRecorder) {
                lock.unlock();
                m_pRecorder->flush();
                lock.lock();
            }
        }
        if (m_bStopped) {
            clearFilling();
            return;
        }
        wasEmpty = m_queue.empty();
        m_nQueued += m_filling.items.size();
        m_queue.push_back(std::move(m_filling));
        m_filling = Batch();
        if (!m_spare.empty()) {
            m_filling = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    clearFilling();
    if (wasEmpty)
        m_wake();
}

void DuzUdozuzeCaptureSource::flushAll()
{
    flush();
    if (m_pRecorder)
        m_pRecorder->flush();
}

std::unique_ptr<DuzUdozuzeCaptureReader> DuzUdozuzeCaptureSource::open()
{
    const bool standardInput = m_strPath == QLatin1String("-");
    // Not blocking in the open itself: a FIFO without a writer would.
    const int descriptor = standardInput
        ? STDIN_FILENO
        : ::open(QFile::encodeName(m_strPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    FILE *file = nullptr;
    if (descriptor >= 0) {
        if (!standardInput)
            ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
        auto *stream = new DuzUdozuzeCaptureStream {this, descriptor, !standardInput};
        file = ::fopencookie(stream, "r",
                             {&DuzUdozuzeCaptureStream::read, nullptr,
                              &DuzUdozuzeCaptureStream::seek, &DuzUdozuzeCaptureStream::close});
        if (!file)
            DuzUdozuzeCaptureStream::close(stream);
    }
    if (!file) {
        m_strOpenError = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    m_nDescriptor = descriptor;
    ::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    // Only the reading thread uses the stream: stdio need not lock it for
    // each of the two reads a packet makes.
    __fsetlocking(file, FSETLOCKING_BYCALLER);
    auto reader = std::make_unique<DuzUdozuzeCaptureReader>(file);
    m_strOpenError = reader->error();
    reader->setFollow(m_bFollow);
    return reader;
}

void DuzUdozuzeCaptureSource::listFolder()
{
    m_strFolder = m_strPath;
    m_bFollow = false;
    const int folder
        = ::open(QFile::encodeName(m_strFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::vector<DuzUdozuzeRecordFolder::File> files = DuzUdozuzeRecordFolder::span(
        DuzUdozuzeRecordFolder::files(folder), duzUdozuzeMsCount(m_span.from),
        duzUdozuzeMsCount(m_span.until));
    if (folder >= 0)
        ::close(folder);
    for (const DuzUdozuzeRecordFolder::File &file : files)
        m_files.push_back(m_strFolder + QLatin1Char('/') + file.name);
    // None: the folder's name is read, and says why it cannot be.
    if (!m_files.empty()) {
        m_strPath = m_files.front();
        m_files.pop_front();
    }
}

bool DuzUdozuzeCaptureSource::nextFile(std::unique_ptr<DuzUdozuzeCaptureReader> &reader)
{
    if (m_files.empty())
        return false;
    flush();
    if (reader)
        m_nPacketBase += reader->packetNumber();
    reader.reset();
    m_strPath = m_files.front();
    m_files.pop_front();
    return true;
}

void DuzUdozuzeCaptureSource::run()
{
    if (QFileInfo(m_strPath).isDir())
        listFolder();
    QString path = DuzUdozuzeLogLine::escapedCharacters(m_strPath);
    if (m_strPath == m_strFolder) {
        push({Item::Kind::End,
              0,
              {},
              QStringLiteral("duzudozuze: cannot read the capture %1: no recording in it%2")
                  .arg(path,
                       m_span.from == Span().from && m_span.until == Span().until
                           ? QString()
                           : QStringLiteral(" for the span asked"))});
        flush();
        return;
    }
    std::unique_ptr<DuzUdozuzeCaptureReader> reader;
    DuzUdozuzeCaptureReader::Datagram datagram;
    const auto told = [this, &reader, &path](const QString &text) {
        push({Item::Kind::Told,
              reader ? packetOf(*reader, m_nPacketBase) : m_nPacketBase,
              {},
              text});
        path = DuzUdozuzeLogLine::escapedCharacters(m_files.front());
    };
    while (!stopping()) {
        if (!reader || !reader->isOpen()) {
            reader = open();
            if (!reader || !reader->isOpen()) {
                // A file tcpdump has only just made has no header yet.
                if (m_bFollow && reader && reader->cutShort() && pause(FollowInterval))
                    continue;
                if (!stopping() && !m_files.empty()) {
                    told(QStringLiteral("duzudozuze: cannot read the capture %1: %2")
                             .arg(path, m_strOpenError));
                    nextFile(reader);
                    continue;
                }
                if (!stopping() && beingWritten(reader.get())) {
                    push({Item::Kind::End, m_nPacketBase, {}, {}});
                } else if (!stopping()) {
                    push({Item::Kind::End,
                          m_nPacketBase,
                          {},
                          QStringLiteral("duzudozuze: cannot read the capture %1: %2")
                              .arg(path, m_strOpenError)});
                }
                break;
            }
        }
        switch (reader->next(datagram)) {
        case DuzUdozuzeCaptureReader::Result::Datagram: {
            const DuzUdozuzeWallMs time = duzUdozuzeToMs(datagram.time);
            if (time < m_span.from || time > m_span.until)
                break;
            if (m_nPort != 0 && datagram.destinationPort != m_nPort) {
                push({Item::Kind::Skipped, packetOf(*reader, m_nPacketBase), {}, m_strOtherPort});
                break;
            }
            record(datagram);
            push({Item::Kind::Datagram, packetOf(*reader, m_nPacketBase), std::move(datagram), {}});
            break;
        }
        case DuzUdozuzeCaptureReader::Result::Skipped:
            push({Item::Kind::Skipped, packetOf(*reader, m_nPacketBase), {}, reader->skipReason()});
            break;
        case DuzUdozuzeCaptureReader::Result::Waiting:
            flushAll();
            if (pause(FollowInterval))
                reopenedIfRotated(reader);
            break;
        case DuzUdozuzeCaptureReader::Result::End:
            if (!m_files.empty()) {
                path = DuzUdozuzeLogLine::escapedCharacters(m_files.front());
                nextFile(reader);
                break;
            }
            push({Item::Kind::End, packetOf(*reader, m_nPacketBase), {}, {}});
            flushAll();
            return;
        case DuzUdozuzeCaptureReader::Result::Error: {
            if (stopping())
                break;
            const QString error
                = QStringLiteral("duzudozuze: %1: packet %2: %3")
                      .arg(path, QString::number(packetOf(*reader, m_nPacketBase) + 1),
                           reader->error());
            if (!m_files.empty()) {
                told(error);
                nextFile(reader);
                break;
            }
            push({Item::Kind::End,
                  packetOf(*reader, m_nPacketBase),
                  {},
                  beingWritten(reader.get()) ? QString() : error});
            flushAll();
            return;
        }
        }
    }
    flushAll();
}

// The newest file of a recording ends where its recorder has written to so
// far: within a packet, or its header, is its end, not a file cut short.
bool DuzUdozuzeCaptureSource::beingWritten(const DuzUdozuzeCaptureReader *reader) const
{
    return !m_strFolder.isEmpty() && m_files.empty() && reader && reader->cutShort();
}

bool DuzUdozuzeCaptureSource::reopenedIfRotated(std::unique_ptr<DuzUdozuzeCaptureReader> &reader)
{
    struct stat atPath, reading;
    if (::stat(QFile::encodeName(m_strPath).constData(), &atPath) != 0
        || ::fstat(m_nDescriptor, &reading) != 0 || !S_ISREG(atPath.st_mode)) {
        return false;
    }
    const QString path = DuzUdozuzeLogLine::escapedCharacters(m_strPath);
    QString what;
    if (atPath.st_dev != reading.st_dev || atPath.st_ino != reading.st_ino)
        what = QStringLiteral("duzudozuze: the capture %1 was replaced: reading the new file");
    else if (atPath.st_size < ::lseek(m_nDescriptor, 0, SEEK_CUR))
        what = QStringLiteral("duzudozuze: the capture %1 was truncated: reading it anew");
    else
        return false;
    push({Item::Kind::Told, packetOf(*reader, m_nPacketBase), {}, what.arg(path)});
    flush();
    m_nPacketBase += reader->packetNumber();
    reader.reset();
    return true;
}
