// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESETTINGS_H
#define DUZUDOZUZESETTINGS_H

#include <QRegularExpression>
#include <QString>

#include <limits>

// What a workstation knows about itself and how it takes part in the UDP
// traffic: its identity, the receive filters and the socket settings, as the
// environment, the system INI file and the control string leave them.
// Configuration is read once, at start-up.
struct DuzUdozuzeSettings
{
    // Identity.
    QString m_strHxRoot; // root directory of the host system installation
    QString m_strHxSystem; // this workstation's system name
    QString m_strAlarmSystem; // this workstation's alarm system name
    int m_nChannel = -1; // this workstation's channel; -1: none known
    int m_nWorkstation = 0; // this workstation's number

    // Monitor filters; -1 lets every workstation or channel through.
    QRegularExpression m_reHxSystemFilter {QStringLiteral(".*"),
                                           QRegularExpression::CaseInsensitiveOption};
    QRegularExpression m_reAlarmSystemFilter {QString(), QRegularExpression::CaseInsensitiveOption};
    int m_nChannelFilter = -1;
    int m_nWorkstationFilter = -1;

    // Socket.
    bool m_bBroadcast = true;
    bool m_bReuseAddress = true;
    QString m_strHostAddress = QStringLiteral("0.0.0.0");
    QString m_strSendAddress = QStringLiteral("255.255.255.255");
    int m_nPort = 9208;

    // Whether the main window shows its Respond group.
    bool m_bRespond = false;

    // Operator options: how the front end starts.
    bool m_bAutoRespond = false; // Respond Automatically at start
    bool m_bOkAtStart = true; // the OK box, and so the health flag, at start
    int m_nMaxLines = 1000000; // lines the log view keeps; 0: no limit
    QString m_strMetricsPath; // where the metrics file goes; empty: none
    // Where the picture of the timeline goes at the end (.svg or .png); empty:
    // nowhere.
    QString m_strTimelinePath;
    QString m_strCapturePath; // a capture to read instead of the port; empty: none
    bool m_bFollowCapture = false; // read on as the capture grows
    // A recording read without /port=: on every port it holds (m_nPort 0),
    // each said as it is first read.
    bool m_bRecordingPorts = false;
    int m_nSilenceTime = 30; // s without any datagram before it is a warning; 0: off

    // The recording (/record=): every datagram heard and every answer sent,
    // kept in capture files in a folder; empty: none.
    QString m_strRecordPath;
    qint64 m_nRecordFileSize = qint64(64) << 20; // bytes a file reaches before the next
    qint64 m_nRecordTotalSize = qint64(1) << 30; // bytes the folder holds at the most
    // The span a capture or a recording is read in, ms since the epoch.
    qint64 m_nReadFrom = std::numeric_limits<qint64>::min();
    qint64 m_nReadUntil = std::numeric_limits<qint64>::max();
    // Where the HTTP view listens (/http=ADDR:PORT); an empty address: nowhere.
    QString m_strHttpAddress;
    int m_nHttpPort = 0;
};

#endif // DUZUDOZUZESETTINGS_H
