// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEMASTERSHIP_H
#define DUZUDOZUZEMASTERSHIP_H

#include <QByteArray>
#include <QString>

// The master/slave state machine. For each accepted status datagram it decides,
// from the message code, the sender's health word, this workstation's health
// flag and its mode, what to log, the mode and master workstation after, and
// whether to answer "NO". Every workstation starts as slave.
class DuzUdozuzeMastership
{
public:
    struct Step
    {
        QByteArray line; // logged first
        bool master = false; // mode after
        int masterWorkstation = 0; // recorded master workstation after
        bool answerNo = false; // answered last, after the change
    };

    Step decide(const QString &code, const QString &healthWord) const;
    void apply(const Step &step);

    bool isMaster() const { return m_bMaster; }
    bool isOk() const { return m_bOk; }
    int masterWorkstation() const { return m_nMasterWorkstation; }
    void setOk(bool ok) { m_bOk = ok; }

private:
    int m_nMasterWorkstation = 0;
    bool m_bOk = false; // health flag
    bool m_bMaster = false; // mode: true master, false slave
};

#endif // DUZUDOZUZEMASTERSHIP_H
