// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECORDER_H
#define DUZUDOZUZERECORDER_H

#include "net/duzudozuzerecordring.h"
#include "net/duzudozuzewiredatagram.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The flight recorder: every datagram heard and every answer sent, kept in
// capture files in a folder that tcpdump, Wireshark and /read= read: pcap
// files of Linux cooked (v2) packets, framed by DuzUdozuzeCaptureWriter;
// an answer is an outgoing packet, so that a reading of the recording hears
// only what came back, as the port did.
//
// It never holds up reception: the port's datagrams are copied into a
// bounded ring (one that finds it full is dropped and counted) that a thread
// of its own writes out. A source that can wait, a capture's reading thread,
// writes its datagrams itself (Writer::Caller): they are still in its cache,
// where a hand-over to a third thread costs more than the writing.
//
// Written through a buffer flushed at least every FlushInterval and at the
// end, and only ever whole packets at a time, so that a crash or a power
// cut loses at most the last second and leaves files that read to their
// end. A file reaches at most the file size, then the next begins; the
// first written are deleted so that the folder holds at most the total size
// (DuzUdozuzeRecordRing). A full disk has the first written deleted too, to
// make room, said once; a write it cut short is undone. A write that fails
// otherwise (a folder gone or read-only, a disk full of other files) is told
// once, counted, and tried again every RetryInterval, meanwhile what comes is
// dropped and counted; that it records again is told once a write succeeds.
// No file is left without a packet.
class DuzUdozuzeRecorder
{
public:
    struct Limits
    {
        qint64 fileSize; // bytes
        qint64 totalSize; // bytes
    };

    struct Counts
    {
        quint64 recorded = 0; // datagrams written and flushed
        quint64 dropped = 0; // datagrams lost: the queue full, or not written
        quint64 errors = 0; // writes, opens and flushes that failed
    };

    using Datagram = DuzUdozuzeWireDatagram;

    // Which thread writes the files.
    enum class Writer {
        Thread, // one of the recorder's own, fed through the ring
        Caller, // the one that calls record(), as it does
    };

    // The priorities of what is told: data lost, data kept but the ring made
    // smaller, and the end of the loss.
    enum Told { Failed = 3, Warned = 4, Recovered = 5 };

    static constexpr size_t RingSize = 8 << 20; // bytes of datagrams waiting, at the most
    static constexpr int FlushInterval = 500; // ms
    static constexpr int RetryInterval = 5000; // ms
    static constexpr qint64 MaxPayload = 255; // bytes of a datagram kept

    // folder: a descriptor DuzUdozuzeRecordFolder::open() gave, lock its
    // lock, which the recorder owns; path: the folder's name, to tell and to
    // open again. tell is called on the writing thread, with the text's
    // priority as syslog has them (Told).
    DuzUdozuzeRecorder(const QString &path, int folder, int lock, Limits limits,
                       std::function<void(const QString &, int)> tell,
                       Writer writer = Writer::Thread);
    // Writes what waits, flushes and closes.
    ~DuzUdozuzeRecorder();
    // The same before the end, so that the counts are final: nothing is
    // recorded after it. With Writer::Caller, only once the caller's thread
    // records no more.
    void finish();
    DuzUdozuzeRecorder(const DuzUdozuzeRecorder &) = delete;
    DuzUdozuzeRecorder &operator=(const DuzUdozuzeRecorder &) = delete;

    // On the receiving thread, always the same one: a copy, queued; with
    // Writer::Caller, written.
    void record(const Datagram &datagram);
    // With Writer::Caller, before the caller waits for what comes next: what
    // is buffered goes to the file.
    void flush();
    Counts counts() const;

private:
    // A datagram in the ring, its captured bytes right after it.
    struct Entry
    {
        DuzUdozuzeWallUs time;
        qint64 length;
        quint32 source;
        quint32 destination;
        quint16 sourcePort;
        quint16 destinationPort;
        quint16 captured;
        bool sent;
    };
    using Clock = std::chrono::steady_clock;

    void run();
    // An entry's room in the ring: its header and bytes, on 8-byte
    // boundaries.
    static size_t roomOf(size_t captured) { return (sizeof(Entry) + captured + 7) & ~size_t(7); }
    // Writes what the ring holds.
    void drain();
    void write(const Entry &entry, const char *payload);
    // A file open for the entry, a new one when it would pass the file size.
    bool fileFor(const Entry &entry, qint64 bytes);
    bool openFile(qint64 time, bool breaks);
    // The buffer written to the file; why not, if it could not be.
    QString writeOut();
    // A full disk: the first file written deleted; false when none is left
    // but the one written now.
    bool makeRoom();
    void closeFile();
    void closeDescriptor();
    void fail(const QString &what);

    const QString m_strPath;
    DuzUdozuzeRecordRing m_files;
    const Limits m_limits;
    const std::function<void(const QString &, int)> m_tell;
    const Writer m_writer;
    bool m_bFinished = false;

    // The ring is written by the receiving thread and read by the writing
    // one without a lock: each moves its own position, and a datagram is
    // read only once the position past it is published. The lock is only
    // for waking the writer early, in a flood, and for stopping it. Unused
    // with Writer::Caller.
    std::unique_ptr<char[]> m_ring; // its pages touched as it fills
    std::atomic<size_t> m_nWritten {0}; // bytes, ever
    std::atomic<size_t> m_nRead {0}; // bytes, ever
    std::atomic<bool> m_bWakeAsked {false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStopping = false;

    // The writing thread's own.
    std::vector<char> m_buffer; // what waits to be written to the file
    bool m_bOpen = false; // a file begun
    QString m_strFileName;
    int m_nDescriptor = -1; // the file, once made on the disk
    qint64 m_nOnDisk = 0; // bytes of it written there
    qint64 m_nFileBytes = 0; // of the file now written, header included
    DuzUdozuzeWallUs m_latest; // the latest packet's time in it, or in the last one
    qint64 m_nBuffered = 0; // bytes in the buffer
    quint64 m_nUnflushed = 0; // datagrams in them
    Clock::time_point m_lastFlush;
    bool m_bFailing = false; // told; until a write succeeds
    Clock::time_point m_retryAt;
    bool m_bToldFull = false;

    std::atomic<quint64> m_nRecorded {0};
    std::atomic<quint64> m_nDropped {0};
    std::atomic<quint64> m_nErrors {0};
    std::thread m_thread;
};

#endif // DUZUDOZUZERECORDER_H
