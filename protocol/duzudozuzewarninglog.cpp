// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzewarninglog.h"

quint64 DuzUdozuzeWarningLog::raise(Events &events, const QString &text, qint64 time)
{
    events.append({true, text});
    m_records.push_back({time, -1, text, {}});
    if (m_records.size() > size_t(MaxRecords)) {
        m_records.pop_front();
        ++m_nBase;
    }
    ++m_nChanges;
    return m_nBase + m_records.size() - 1;
}

// A warning whose record has left the log still ends: its event is sent.
void DuzUdozuzeWarningLog::end(Events &events, quint64 warning, const QString &text, qint64 time)
{
    events.append({false, text});
    if (warning >= m_nBase && warning - m_nBase < m_records.size()) {
        Record &record = m_records[size_t(warning - m_nBase)];
        record.ended = time;
        record.endText = text;
    }
    ++m_nChanges;
}
