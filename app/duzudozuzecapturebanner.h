// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECAPTUREBANNER_H
#define DUZUDOZUZECAPTUREBANNER_H

#include <QToolBar>

class QLabel;
class QMainWindow;

// What makes a capture's window unmistakable for the live one at a glance and
// from across the room: a banner across its top, "CAPTURE incident.pcap,
// 2026-12-09 00:24:35 to 00:24:46", in a colour no state of the picture has,
// and the whole window tinted with it.
class DuzUdozuzeCaptureBanner : public QToolBar
{
    Q_OBJECT

public:
    DuzUdozuzeCaptureBanner(const QString &fileName, QMainWindow *window);

    QString text() const;
    // span: "2026-12-09 00:24:35 to 00:24:46", once known.
    void showSpan(const QString &span);

private:
    QString m_strFileName;
    QLabel *m_pqText;
};

#endif // DUZUDOZUZECAPTUREBANNER_H
