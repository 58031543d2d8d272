// SPDX-License-Identifier: MIT
#include "app/duzudozuzeoutputstream.h"

#include <windows.h>

#include <io.h>

#include <condition_variable>
#include <mutex>
#include <thread>

// What the writing thread and the event loop share. The thread holds it
// too: a write that never returns (a console held with its selection) keeps
// it alive after the stream is gone.
struct DuzUdozuzeOutputStream::Writer
{
    Writer(qsizetype capacity, const QString &gapText) : queue(capacity, gapText) { }

    enum class Result { Written, Closed, Failed };
    Result writeAll(const QByteArray &piece, QString *why) const;
    void run();
    // Tells the stream on its own thread, while it is there.
    template<typename Call> void tell(Call call);
    // Queues what add puts in the queue, for the thread to write; nothing
    // once the reader is gone.
    template<typename Add> void queueWith(Add add)
    {
        const std::lock_guard lock(guard);
        if (closed)
            return;
        add(queue);
        wake.notify_one();
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    std::mutex guard;
    std::condition_variable wake; // lines queued, or the end
    std::condition_variable idle; // everything written
    DuzUdozuzeOutputQueue queue;
    qsizetype writing = 0; // bytes taken and not yet written
    bool stopping = false;
    bool closed = false;
    DuzUdozuzeOutputStream *stream = nullptr; // gone at its destruction
};

DuzUdozuzeOutputStream::Writer::Result
DuzUdozuzeOutputStream::Writer::writeAll(const QByteArray &piece, QString *why) const
{
    for (qsizetype done = 0; done < piece.size();) {
        DWORD written = 0;
        if (!WriteFile(handle, piece.constData() + done, DWORD(piece.size() - done), &written,
                       nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA)
                return Result::Closed;
            *why = qt_error_string(int(error));
            return Result::Failed;
        }
        done += qsizetype(written);
    }
    return Result::Written;
}

template<typename Call> void DuzUdozuzeOutputStream::Writer::tell(Call call)
{
    if (stream)
        QMetaObject::invokeMethod(
            stream, [to = stream, call] { call(to); }, Qt::QueuedConnection);
}

void DuzUdozuzeOutputStream::Writer::run()
{
    std::unique_lock lock(guard);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !queue.isEmpty(); });
        if (stopping || closed)
            break;
        const QByteArray piece = queue.take();
        writing = piece.size();
        for (;;) {
            lock.unlock();
            QString why;
            const Result result = writeAll(piece, &why);
            lock.lock();
            if (result == Result::Written)
                break;
            if (result == Result::Closed) {
                closed = true;
                queue.discard();
                tell([](DuzUdozuzeOutputStream *to) { emit to->closed(); });
                break;
            }
            // The lines wait, and the write is tried again a while later.
            tell([why](DuzUdozuzeOutputStream *to) { emit to->failed(why); });
            if (wake.wait_for(lock, std::chrono::milliseconds(RetryInterval),
                              [this] { return stopping; })) {
                break;
            }
        }
        writing = 0;
        if (queue.isEmpty()) {
            idle.notify_all();
            if (!closed)
                tell([](DuzUdozuzeOutputStream *to) { emit to->drained(); });
        }
    }
    idle.notify_all();
}

DuzUdozuzeOutputStream::DuzUdozuzeOutputStream(int descriptor, qsizetype capacity,
                                               const QString &gapText, QObject *parent)
    : QObject(parent),
      m_nDescriptor(descriptor),
      m_nFlags(-1),
      m_queue(capacity, gapText),
      m_pWriter(std::make_shared<Writer>(capacity, gapText))
{
    m_pWriter->handle = HANDLE(_get_osfhandle(descriptor));
    m_pWriter->stream = this;
    std::thread([writer = m_pWriter] { writer->run(); }).detach();
}

DuzUdozuzeOutputStream::~DuzUdozuzeOutputStream()
{
    const std::lock_guard lock(m_pWriter->guard);
    m_pWriter->stream = nullptr;
    m_pWriter->stopping = true;
    m_pWriter->wake.notify_all();
}

quint64 DuzUdozuzeOutputStream::linesDropped() const
{
    const std::lock_guard lock(m_pWriter->guard);
    return m_pWriter->queue.linesDropped();
}

qsizetype DuzUdozuzeOutputStream::bytesQueued() const
{
    const std::lock_guard lock(m_pWriter->guard);
    return m_pWriter->queue.bytesQueued() + m_pWriter->writing;
}

void DuzUdozuzeOutputStream::append(const QByteArray &line)
{
    m_pWriter->queueWith([&line](DuzUdozuzeOutputQueue &queue) { queue.append(line); });
}

void DuzUdozuzeOutputStream::append(QStringView line)
{
    m_pWriter->queueWith([line](DuzUdozuzeOutputQueue &queue) { queue.append(line); });
}

void DuzUdozuzeOutputStream::appendLines(const QByteArray &text)
{
    m_pWriter->queueWith([&text](DuzUdozuzeOutputQueue &queue) { queue.appendLines(text); });
}

void DuzUdozuzeOutputStream::finish(QDeadlineTimer deadline)
{
    std::unique_lock lock(m_pWriter->guard);
    m_pWriter->idle.wait_until(lock, deadline.deadline<std::chrono::steady_clock>(), [this] {
        return m_pWriter->closed || (m_pWriter->queue.isEmpty() && m_pWriter->writing == 0);
    });
    m_pWriter->queue.discard();
}
