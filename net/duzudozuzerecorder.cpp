// SPDX-License-Identifier: MIT
#include "net/duzudozuzerecorder.h"

#include "common/duzudozuzelogline.h"
#include "net/duzudozuzecapturewriter.h"
#include "net/duzudozuzequietthread.h"
#include "net/duzudozuzerecordfolder.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using DuzUdozuzeCaptureWriter::FileHeaderSize;
// Wakes the writer before its time, to keep the ring from filling in a flood.
constexpr size_t WakeAt = DuzUdozuzeRecorder::RingSize / 4;
// An entry that says the rest of the ring is unused, so that every entry is
// in one piece.
constexpr quint16 SkipMark = 0xFFFF;
constexpr size_t BufferSize = 256 << 10;

} // namespace

DuzUdozuzeRecorder::DuzUdozuzeRecorder(const QString &path, int folder, int lock, Limits limits,
                                       std::function<void(const QString &, int)> tell,
                                       Writer writer)
    : m_strPath(path),
      m_files(folder, lock),
      m_limits({qMin(limits.fileSize, limits.totalSize), limits.totalSize}),
      m_tell(std::move(tell)),
      m_writer(writer),
      m_buffer(BufferSize),
      m_lastFlush(Clock::now())
{
    if (m_writer == Writer::Thread) {
        m_ring.reset(new char[RingSize]);
        m_thread = duzUdozuzeQuietThread(&DuzUdozuzeRecorder::run, this);
    }
}

DuzUdozuzeRecorder::~DuzUdozuzeRecorder()
{
    finish();
}

void DuzUdozuzeRecorder::finish()
{
    if (m_bFinished)
        return;
    m_bFinished = true;
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bStopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    closeFile();
}

void DuzUdozuzeRecorder::record(const Datagram &datagram)
{
    if (m_bFinished)
        return;
    const auto captured = quint16(qBound<qint64>(0, datagram.payload.size(), MaxPayload));
    const Entry entry {
        datagram.time,       datagram.length,          datagram.source, datagram.destination,
        datagram.sourcePort, datagram.destinationPort, captured,        datagram.sent};
    if (m_writer == Writer::Caller) {
        write(entry, datagram.payload.data());
        // The clock is looked at now and then, not for every datagram.
        if (m_nUnflushed % 64 == 0
            && Clock::now() - m_lastFlush >= std::chrono::milliseconds(FlushInterval))
            flush();
        return;
    }
    const size_t room = roomOf(captured);
    size_t at = m_nWritten.load(std::memory_order_relaxed);
    size_t offset = at % RingSize;
    // An entry that would not fit before the ring's end goes to its start.
    const size_t tail = RingSize - offset;
    const size_t needed = tail < room ? tail + room : room;
    if (RingSize - (at - m_nRead.load(std::memory_order_acquire)) < needed) {
        m_nDropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    if (tail < room) {
        if (tail >= sizeof(Entry)) {
            Entry skip {};
            skip.captured = SkipMark;
            std::memcpy(m_ring.get() + offset, &skip, sizeof skip);
        }
        at += tail;
        offset = 0;
    }
    std::memcpy(m_ring.get() + offset, &entry, sizeof entry);
    std::memcpy(m_ring.get() + offset + sizeof entry, datagram.payload.data(), captured);
    m_nWritten.store(at + room, std::memory_order_release);
    if (at + room - m_nRead.load(std::memory_order_relaxed) >= WakeAt
        && !m_bWakeAsked.exchange(true)) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
        }
        m_wake.notify_one();
    }
}

DuzUdozuzeRecorder::Counts DuzUdozuzeRecorder::counts() const
{
    return {m_nRecorded.load(std::memory_order_relaxed), m_nDropped.load(std::memory_order_relaxed),
            m_nErrors.load(std::memory_order_relaxed)};
}

// The ring is read a few times a second, or when it fills.
void DuzUdozuzeRecorder::run()
{
    for (bool stopping = false; !stopping;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(FlushInterval / 4),
                            [this] { return m_bStopping || m_bWakeAsked.load(); });
            stopping = m_bStopping;
        }
        m_bWakeAsked = false;
        drain();
        if (m_nBuffered > 0
            && (stopping || Clock::now() - m_lastFlush >= std::chrono::milliseconds(FlushInterval)))
            flush();
    }
}

void DuzUdozuzeRecorder::drain()
{
    const size_t end = m_nWritten.load(std::memory_order_acquire);
    size_t at = m_nRead.load(std::memory_order_relaxed);
    while (at < end) {
        const size_t offset = at % RingSize;
        Entry entry;
        if (RingSize - offset >= sizeof entry)
            std::memcpy(&entry, m_ring.get() + offset, sizeof entry);
        if (RingSize - offset < sizeof entry || entry.captured == SkipMark) {
            at += RingSize - offset;
            continue;
        }
        write(entry, m_ring.get() + offset + sizeof entry);
        at += roomOf(entry.captured);
    }
    m_nRead.store(at, std::memory_order_release);
}

void DuzUdozuzeRecorder::write(const Entry &entry, const char *payload)
{
    const qint64 bytes = DuzUdozuzeCaptureWriter::datagramRecordSize(entry.captured);
    if (!fileFor(entry, bytes)) {
        m_nDropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    // Only whole packets reach the file: the buffer is written out before it
    // would fill.
    if (m_nBuffered + bytes > qint64(m_buffer.size()))
        flush();
    if (!m_bOpen) {
        m_nDropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    DuzUdozuzeCaptureWriter::putDatagram(
        m_buffer.data() + m_nBuffered,
        {entry.time, entry.source, entry.sourcePort, entry.destination, entry.destinationPort,
         QByteArrayView(payload, entry.captured), entry.length, entry.sent});
    m_nFileBytes += bytes;
    m_nBuffered += bytes;
    ++m_nUnflushed;
}

// A packet further back than the tolerance begins a file of its own, so that
// a file's name bounds its packets' times (see DuzUdozuzeRecordFolder).
bool DuzUdozuzeRecorder::fileFor(const Entry &entry, qint64 bytes)
{
    const bool stepsBack
        = entry.time < m_latest - std::chrono::milliseconds(DuzUdozuzeRecordFolder::StepTolerance);
    if (m_bOpen && m_nFileBytes > FileHeaderSize
        && (m_nFileBytes + bytes > m_limits.fileSize || stepsBack))
        closeFile();
    if (m_bOpen) {
        m_latest = std::max(m_latest, entry.time);
        return true;
    }
    if (m_bFailing && Clock::now() < m_retryAt)
        return false;
    if (!openFile(duzUdozuzeMsCount(duzUdozuzeToMs(entry.time)), stepsBack))
        return false;
    m_latest = entry.time;
    return true;
}

// A file is begun in the buffer, its header first; it is made on the disk
// with its first packets, so that no file is ever left without one.
bool DuzUdozuzeRecorder::openFile(qint64 time, bool breaks)
{
    // After a failure the folder may have gone, or been made anew: it is
    // looked up and checked again.
    QString why;
    if (m_bFailing && !m_files.reopen(m_strPath, &why)) {
        fail(why);
        return false;
    }
    // The oldest go, until those left and the file now begun, once full, fit
    // in the total size.
    m_files.trim(m_limits.fileSize, m_limits.totalSize);
    m_strFileName = m_files.nextName(time, breaks);
    DuzUdozuzeCaptureWriter::putFileHeader(m_buffer.data(), DLT_LINUX_SLL2);
    m_nBuffered = FileHeaderSize;
    m_nFileBytes = FileHeaderSize;
    m_nOnDisk = 0;
    m_bOpen = true;
    return true;
}

void DuzUdozuzeRecorder::flush()
{
    if (!m_bOpen || m_nBuffered == 0)
        return;
    m_lastFlush = Clock::now();
    QString why = writeOut();
    struct stat status;
    // Written to a file nobody can reach any more: the folder, or the file,
    // was deleted.
    if (why.isEmpty() && ::fstat(m_nDescriptor, &status) == 0 && status.st_nlink == 0)
        why = QStringLiteral("cannot write %1: it was deleted").arg(m_strFileName);
    if (why.isEmpty()) {
        m_files.setNewestSize(m_nOnDisk);
        m_nRecorded.fetch_add(m_nUnflushed, std::memory_order_relaxed);
        m_nUnflushed = 0;
        m_nBuffered = 0;
        // Recording again only once a write has succeeded.
        if (m_bFailing) {
            m_bFailing = false;
            m_tell(QStringLiteral("duzudozuze: recording to %1 again")
                       .arg(DuzUdozuzeLogLine::escapedCharacters(m_strPath)),
                   Recovered);
        }
        return;
    }
    m_nDropped.fetch_add(m_nUnflushed, std::memory_order_relaxed);
    m_nUnflushed = 0;
    m_nBuffered = 0;
    closeDescriptor();
    fail(why);
}

// The buffer to the file, made if it is not yet. A write the disk has no
// room for is undone (only whole packets stay) and done again once the
// first file written has made room; the file written now is never deleted.
QString DuzUdozuzeRecorder::writeOut()
{
    const auto roomShort = [](int error) { return error == ENOSPC || error == EDQUOT; };
    while (m_nDescriptor < 0) {
        m_nDescriptor = m_files.create(m_strFileName);
        const int error = errno;
        if (m_nDescriptor < 0 && !(roomShort(error) && makeRoom()))
            return QStringLiteral("cannot make %1: %2")
                .arg(m_strFileName, QString::fromLocal8Bit(std::strerror(error)));
    }
    for (qint64 done = 0; done < m_nBuffered;) {
        const ssize_t count = ::pwrite(m_nDescriptor, m_buffer.data() + done,
                                       size_t(m_nBuffered - done), m_nOnDisk + done);
        if (count > 0) {
            done += count;
            continue;
        }
        const int error = count < 0 ? errno : EIO;
        if (error == EINTR)
            continue;
        if (::ftruncate(m_nDescriptor, m_nOnDisk) != 0 || !(roomShort(error) && makeRoom()))
            return QStringLiteral("cannot write %1: %2")
                .arg(m_strFileName, QString::fromLocal8Bit(std::strerror(error)));
        done = 0;
    }
    m_nOnDisk += m_nBuffered;
    return {};
}

bool DuzUdozuzeRecorder::makeRoom()
{
    if (!m_files.deleteOldest(m_nDescriptor >= 0))
        return false;
    if (!m_bToldFull) {
        m_bToldFull = true;
        m_tell(QStringLiteral("duzudozuze: the disk of the recording %1 is full: the first "
                              "files written are deleted to make room")
                   .arg(DuzUdozuzeLogLine::escapedCharacters(m_strPath)),
               Warned);
    }
    return true;
}

void DuzUdozuzeRecorder::closeFile()
{
    flush();
    if (m_bOpen)
        closeDescriptor();
}

void DuzUdozuzeRecorder::closeDescriptor()
{
    m_bOpen = false;
    if (m_nDescriptor < 0)
        return;
    // A file that never got its first packet is deleted.
    if (m_nOnDisk == 0)
        m_files.deleteNewest();
    ::close(m_nDescriptor);
    m_nDescriptor = -1;
}

void DuzUdozuzeRecorder::fail(const QString &what)
{
    m_nErrors.fetch_add(1, std::memory_order_relaxed);
    m_retryAt = Clock::now() + std::chrono::milliseconds(RetryInterval);
    if (m_bFailing)
        return;
    m_bFailing = true;
    m_tell(QStringLiteral("duzudozuze: recording to %1 failed, trying again every %2 s: %3")
               .arg(DuzUdozuzeLogLine::escapedCharacters(m_strPath))
               .arg(RetryInterval / 1000)
               .arg(DuzUdozuzeLogLine::escapedCharacters(what)),
           Failed);
}
