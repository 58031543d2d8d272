// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECAPTURESOURCE_H
#define DUZUDOZUZECAPTURESOURCE_H

#include "net/duzudozuzecapturereader.h"
#include "net/duzudozuzerecorder.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Reads a capture on a thread of its own and hands what it finds over a
// bounded queue, so that nothing the file or its writer does can hold up
// the event loop: a FIFO without a writer, a pipe that pauses, a file
// tcpdump writes slowly. Every read waits on the descriptor and on a stop
// wake-up together, so the thread ends the moment the source is destroyed.
// A full queue makes the thread wait: a file is never read faster than its
// datagrams are handled, and nothing is dropped.
//
// A folder is a recording (/record=): its files are read in the order
// written as one capture, only those that may hold the span asked; a file
// that cannot be read to its end is told, and the next one read; the newest
// ends where it is cut short, as one still being written does. Only the datagrams within
// the span are handed over, from a file as from a folder.
//
// Following a file (/follow), as tail -F does: at its end it looks again
// every FollowInterval; a file that shrank was truncated and one with
// another inode at the path replaced it, and either is read anew from its
// header.
//
// Only the datagrams to the port read are handed over; the others are
// skipped. With a recording (/record=), the thread records each datagram it
// hands over, and writes what is buffered before it waits for more.
class DuzUdozuzeCaptureSource
{
public:
    struct Item
    {
        enum class Kind {
            Datagram,
            Skipped, // no UDP datagram over IPv4, or not to the port; text says why
            Told, // something the operator should know; text says it
            End, // text empty: the end; else why it could not be read on
        };
        Kind kind = Kind::Datagram;
        quint64 packet = 0; // of the whole reading, from 1
        DuzUdozuzeCaptureReader::Datagram datagram; // its payload in the batch's bytes
        QString text;
        qsizetype payloadAt = 0;
        qsizetype payloadSize = 0;
    };

    // Items read one after another, and the payloads of their datagrams in
    // one block. Batches go back and forth between the threads and keep
    // their room: a datagram costs no allocation on either.
    struct Batch
    {
        std::vector<Item> items;
        std::vector<char> bytes;
        QByteArrayView payload(const Item &item) const
        {
            return QByteArrayView(bytes.data() + item.payloadAt, item.payloadSize);
        }
    };

    // How often a followed file is looked at again once read to its end.
    static constexpr int FollowInterval = 200; // ms
    static constexpr size_t Capacity = 16384; // items waiting at the most
    static constexpr size_t BatchSize = 256;

    // The times read, from and until included; a datagram's time is taken
    // to the ms to be compared (the ends of an open span cannot be taken to
    // the µs).
    struct Span
    {
        DuzUdozuzeWallMs from = DuzUdozuzeWallMs::min();
        DuzUdozuzeWallMs until = DuzUdozuzeWallMs::max();
    };

    // wake is called on the reading thread when items wait where none did;
    // port 0 is every port; recorder (Writer::Caller), if any, records what
    // is handed over.
    DuzUdozuzeCaptureSource(const QString &path, bool follow, std::function<void()> wake, Span span,
                            quint16 port, std::shared_ptr<DuzUdozuzeRecorder> recorder);
    // Stops the reading thread and waits for it.
    ~DuzUdozuzeCaptureSource();
    DuzUdozuzeCaptureSource(const DuzUdozuzeCaptureSource &) = delete;
    DuzUdozuzeCaptureSource &operator=(const DuzUdozuzeCaptureSource &) = delete;

    // Gives the batch handled back and takes the next one waiting; false
    // when none waits.
    bool take(Batch &batch);
    // Items waiting to be taken, at most Capacity.
    size_t waiting();

private:
    void run();
    // A folder: its files in the span, the first of them at m_strPath.
    void listFolder();
    // The next file of a folder, once one is read; false at the last.
    bool nextFile(std::unique_ptr<DuzUdozuzeCaptureReader> &reader);
    // A reader of the path, open or with its error, or none (the error in
    // m_strOpenError); the stream's reads wait for the stop wake-up too.
    std::unique_ptr<DuzUdozuzeCaptureReader> open();
    // Following, at the end of what is written: whether the file was
    // truncated or replaced, said, and a new reader made.
    bool reopenedIfRotated(std::unique_ptr<DuzUdozuzeCaptureReader> &reader);
    // Whether the reader's error is the end of a recording's newest file,
    // which its recorder may be writing.
    bool beingWritten(const DuzUdozuzeCaptureReader *reader) const;
    void push(Item item);
    void record(const DuzUdozuzeCaptureReader::Datagram &datagram);
    void clearFilling();
    // Hands the items read so far to the queue, waiting while it is full.
    void flush();
    // The same, and the recording written: before the thread waits for the
    // file or the pipe, and at the end.
    void flushAll();
    // Waits for ms, or until stopped; false when stopped.
    bool pause(int ms);
    bool stopping() const;

    friend struct DuzUdozuzeCaptureStream;

    QString m_strPath; // the file now read
    bool m_bFollow;
    const Span m_span;
    const quint16 m_nPort;
    const QString m_strOtherPort; // why a datagram to another port is skipped
    const std::shared_ptr<DuzUdozuzeRecorder> m_pRecorder;
    QString m_strFolder; // reading a recording: its folder
    std::deque<QString> m_files; // and its files still to read
    const std::function<void()> m_wake;
    std::atomic<bool> m_bStopping {false};
    int m_nStop = -1; // an eventfd: readable once the source stops, for reads that wait
    int m_nDescriptor = -1; // the file now read; its reader owns it
    QString m_strOpenError; // why the last open failed
    quint64 m_nPacketBase = 0; // packets of the files read before this one
    Batch m_filling; // read, not yet handed over
    std::mutex m_mutex;
    std::condition_variable m_taken;
    std::deque<Batch> m_queue;
    size_t m_nQueued = 0; // items in m_queue
    std::vector<Batch> m_spare; // handled, to be filled again
    bool m_bStopped = false;
    std::thread m_thread;
};

#endif // DUZUDOZUZECAPTURESOURCE_H
