// SPDX-License-Identifier: MIT
#include "app/duzudozuzemetricsfile.h"

#include "common/duzudozuzelogline.h"

DuzUdozuzeMetricsFile::DuzUdozuzeMetricsFile(const QString &path,
                                             std::function<QByteArray()> content,
                                             std::function<void(const QString &)> tell,
                                             QObject *parent)
    : QObject(parent), m_strPath(path), m_content(std::move(content)), m_tell(std::move(tell))
{
    connect(&m_timer, &QTimer::timeout, this, &DuzUdozuzeMetricsFile::write);
    m_timer.start(Interval);
    write();
}

bool DuzUdozuzeMetricsFile::write()
{
    QString problem = refusal();
    const bool refused = !problem.isEmpty();
    if (!refused)
        problem = replace(m_content());
    if (problem.isEmpty())
        return true;
    if (!m_bFailureTold) {
        m_bFailureTold = true;
        m_tell((refused ? QStringLiteral("duzudozuze: no metrics written to %1: %2")
                        : QStringLiteral("duzudozuze: cannot write the metrics file %1: %2"))
                   .arg(DuzUdozuzeLogLine::escapedCharacters(m_strPath), problem));
    }
    return false;
}
