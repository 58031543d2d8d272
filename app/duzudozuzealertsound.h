// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEALERTSOUND_H
#define DUZUDOZUZEALERTSOUND_H

#include <QElapsedTimer>

struct ca_context;

// The desktop's own alert, from its sound theme (the freedesktop one, through
// libcanberra), or the toolkit's beep where there is none: never a sound of
// the program's own. A flood of warnings makes one sound, not one each.
class DuzUdozuzeAlertSound
{
public:
    DuzUdozuzeAlertSound();
    ~DuzUdozuzeAlertSound();
    DuzUdozuzeAlertSound(const DuzUdozuzeAlertSound &) = delete;
    DuzUdozuzeAlertSound &operator=(const DuzUdozuzeAlertSound &) = delete;

    // False when the theme's sound could not be played (no sound device, no
    // sound theme, no libcanberra): the toolkit's beep was tried instead.
    bool play();

    // The least time between two sounds.
    static constexpr qint64 Interval = 3000; // ms

private:
    ca_context *m_pContext = nullptr; // none: the beep
    QElapsedTimer m_lastPlayed;
};

#endif // DUZUDOZUZEALERTSOUND_H
