// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzewarninglog.h"

quint64 DuzUdozuzeWarningLog::raise(Events &events, Kind kind, const QString &text, qint64 time)
{
    events.append({true, text, kind, m_nBase + m_records.size()});
    m_records.push_back({time, -1, text, {}});
    ++m_nUnacknowledged;
    if (m_records.size() > size_t(MaxRecords)) {
        if (m_records.front().acknowledged < 0)
            --m_nUnacknowledged;
        m_records.pop_front();
        ++m_nBase;
    }
    ++m_nChanges;
    return m_nBase + m_records.size() - 1;
}

// A warning whose record has left the log still ends: its event is sent.
void DuzUdozuzeWarningLog::end(Events &events, Kind kind, quint64 warning, const QString &text,
                               qint64 time)
{
    events.append({false, text, kind, warning});
    if (warning >= m_nBase && warning - m_nBase < m_records.size()) {
        Record &record = m_records[size_t(warning - m_nBase)];
        record.ended = time;
        record.endText = text;
    }
    ++m_nChanges;
}

int DuzUdozuzeWarningLog::acknowledge(size_t index, qint64 time)
{
    if (index >= m_records.size() || m_records[index].acknowledged >= 0)
        return 0;
    m_records[index].acknowledged = time;
    --m_nUnacknowledged;
    ++m_nChanges;
    return 1;
}

int DuzUdozuzeWarningLog::acknowledgeAll(qint64 time)
{
    int acknowledged = 0;
    // The newest are the likeliest not to be acknowledged yet.
    for (size_t index = m_records.size(); index-- > 0 && m_nUnacknowledged > 0;)
        acknowledged += acknowledge(index, time);
    return acknowledged;
}
