// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETOKENBUCKET_H
#define DUZUDOZUZETOKENBUCKET_H

#include <QtGlobal>

// A token bucket: at most `burst` actions at once, refilled at `perSecond`
// actions a second. Time comes from the caller, in milliseconds of any
// monotonic clock, so the bucket is tested without waiting.
class DuzUdozuzeTokenBucket
{
public:
    DuzUdozuzeTokenBucket(int perSecond, int burst);

    // Takes one token when there is one; false when the action is over the limit.
    bool take(qint64 nowMs);

private:
    // Tokens in thousandths, so a refill of a fraction of a token is kept.
    qint64 m_nMilliTokens;
    qint64 m_nLastMs = 0;
    bool m_bStarted = false;
    const qint64 m_nPerSecond;
    const qint64 m_nCapacity;
};

#endif // DUZUDOZUZETOKENBUCKET_H
