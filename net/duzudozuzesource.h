// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESOURCE_H
#define DUZUDOZUZESOURCE_H

#include "net/duzudozuzerecorder.h"
#include "protocol/duzudozuzesourcetraits.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class DuzUdozuzeSession;

// Where the station's datagrams come from: the port (DuzUdozuzeSocket) or a
// capture read (DuzUdozuzeCaptureFeed), peers. A source hands each datagram
// to the session as it came, and to the recorder once, and says what it is
// through its traits; nothing that shows the picture asks which one it is.
class DuzUdozuzeSource : public QObject
{
    Q_OBJECT

public:
    // What was read so far: packets, and in words.
    struct Reading
    {
        quint64 packets = 0;
        bool ended = false;
        // The day and the span of the datagrams' times ("2026-12-09 00:24:35
        // to 00:24:46"); and with the ports they went to and their counts.
        QString span;
        QString summary;
    };

    using QObject::QObject;

    const DuzUdozuzeSourceTraits &traits() const { return m_traits; }
    // Which thread writes what this source records.
    virtual DuzUdozuzeRecorder::Writer recordingWriter() const = 0;
    // Begins handing datagrams to the session, and to the recorder, if any,
    // each once; both outlive the source's handing over (stop()).
    virtual void start(DuzUdozuzeSession &session, std::shared_ptr<DuzUdozuzeRecorder> recorder)
        = 0;
    // Hands no more: a reading thread has stopped when it returns.
    virtual void stop() { }
    // Sends an answer of this workstation's; false when the write failed. A
    // source that sends none never has this called.
    virtual bool send(const QByteArray &) { return false; }
    // While held returns true, a source that can wait hands nothing over
    // (the front end's output is over its bound, say); resume() goes on. The
    // port cannot wait: it is never held.
    virtual void setHold(std::function<bool()>) { }
    // Whether it hands over no faster than its datagrams are taken, and can
    // be stopped before its end: then a failed output ends it, lest its
    // lines be lost.
    virtual bool paced() const { return false; }
    virtual void resume() { }
    virtual Reading reading() const { return {}; }

signals:
    // What the operator should know, once each.
    void told(const QString &text);
    // The end of what it hands over: 0 read to its end, 2 unreadable or cut
    // short. The port never ends.
    void ended(int code);

protected:
    DuzUdozuzeSourceTraits m_traits;
};

#endif // DUZUDOZUZESOURCE_H
