// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzetokenbucket.h"

#include <algorithm>

DuzUdozuzeTokenBucket::DuzUdozuzeTokenBucket(int perSecond, int burst)
    : m_nMilliTokens(qint64(burst) * 1000),
      m_nPerSecond(perSecond),
      m_nCapacity(qint64(burst) * 1000)
{ }

bool DuzUdozuzeTokenBucket::take(qint64 nowMs)
{
    if (m_bStarted && nowMs > m_nLastMs) {
        // One token is 1000 thousandths; perSecond of them come in 1000 ms.
        const qint64 elapsed = std::min<qint64>(nowMs - m_nLastMs, 3600 * 1000);
        m_nMilliTokens = std::min(m_nCapacity, m_nMilliTokens + elapsed * m_nPerSecond);
    }
    if (!m_bStarted || nowMs > m_nLastMs)
        m_nLastMs = nowMs;
    m_bStarted = true;
    if (m_nMilliTokens < 1000)
        return false;
    m_nMilliTokens -= 1000;
    return true;
}
