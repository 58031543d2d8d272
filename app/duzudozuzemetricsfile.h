#ifndef DUZUDOZUZEMETRICSFILE_H
#define DUZUDOZUZEMETRICSFILE_H

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The metrics file for the node exporter's textfile collector, written every
// 10 s and once more at the end. Each write goes to a temporary file in the
// same folder, renamed over the old one: the collector never reads half a
// file. A failure is said once on standard error.
class DuzUdozuzeMetricsFile : public QObject
{
    Q_OBJECT

public:
    static constexpr int Interval = 10 * 1000; // ms

    DuzUdozuzeMetricsFile(const QString &path, std::function<QByteArray()> content,
                          QObject *parent = nullptr);

    // Writes the file now; true when it was replaced.
    bool write();

private:
    QString m_strPath;
    std::function<QByteArray()> m_content;
    QTimer m_timer;
    bool m_bFailureTold = false;
};

#endif // DUZUDOZUZEMETRICSFILE_H
