// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEMETRICSFILE_H
#define DUZUDOZUZEMETRICSFILE_H

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The metrics file for the node exporter's textfile collector, written every
// 10 s and once more at the end. Each write goes to a new temporary file in
// the same folder, renamed over the old one: the collector never reads half a
// file. It replaces only what it may: nothing, or a regular file of the
// program's own user. A symbolic link, a device, a FIFO or another user's
// file at the path is left as it is, and no metrics are written while it is
// there. A problem is told once.
class DuzUdozuzeMetricsFile : public QObject
{
    Q_OBJECT

public:
    static constexpr int Interval = 10 * 1000; // ms

    DuzUdozuzeMetricsFile(const QString &path, std::function<QByteArray()> content,
                          std::function<void(const QString &)> tell, QObject *parent = nullptr);

    // Writes the file now; true when it was replaced.
    bool write();

private:
    // Why nothing may be written at the path now; empty when it may.
    QString refusal() const;
    // Writes content beside the path and renames it there; the error, or
    // empty on success.
    QString replace(const QByteArray &content) const;

    QString m_strPath;
    std::function<QByteArray()> m_content;
    std::function<void(const QString &)> m_tell;
    QTimer m_timer;
    bool m_bFailureTold = false;
};

#endif // DUZUDOZUZEMETRICSFILE_H
