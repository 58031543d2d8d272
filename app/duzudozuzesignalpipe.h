#ifndef DUZUDOZUZESIGNALPIPE_H
#define DUZUDOZUZESIGNALPIPE_H

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Unix signals delivered through the event loop: the handler only writes the
// signal's number to a pipe, and the loop turns it into received(). One
// object at a time; the signals' default actions come back when it goes.
class DuzUdozuzeSignalPipe : public QObject
{
    Q_OBJECT

public:
    DuzUdozuzeSignalPipe(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~DuzUdozuzeSignalPipe() override;

signals:
    void received(int signalNumber);

private:
    void readSignals();

    QSocketNotifier *m_pNotifier = nullptr; // child of this object
    QList<int> m_signals;
};

#endif // DUZUDOZUZESIGNALPIPE_H
