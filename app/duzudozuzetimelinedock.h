// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETIMELINEDOCK_H
#define DUZUDOZUZETIMELINEDOCK_H

#include <QDockWidget>

class DuzUdozuzeElidedLabel;
class DuzUdozuzeTimeline;
class DuzUdozuzeTimelineView;
class QComboBox;
class QToolButton;

// The Timeline dock: who held which role when, drawn by the timeline view,
// over a bar with the time shown (the last 5 minutes, hour or day, or all of
// a capture) and, live, Follow, which keeps the present in sight. Of a
// capture it shows the headline as it stood at the view's cursor. A click
// in the view asks for that moment in the log and the history
// (momentChosen). It refreshes only while it is in sight.
class DuzUdozuzeTimelineDock : public QDockWidget
{
    Q_OBJECT

public:
    DuzUdozuzeTimelineDock(const DuzUdozuzeTimeline &timeline, bool live,
                           QWidget *parent = nullptr);

    DuzUdozuzeTimelineView *view() const { return m_pView; }
    // Called by the window's refreshes: draws what changed, if in sight.
    void refresh();

signals:
    // A moment chosen in the view: its wall time, ms since the epoch.
    void momentChosen(qint64 wall);

private:
    void chooseSpan(int index);
    void showHeadline();

    const DuzUdozuzeTimeline &m_timeline;
    const bool m_bLive;
    DuzUdozuzeTimelineView *m_pView;
    QComboBox *m_pqSpan;
    QToolButton *m_pqFollow = nullptr; // live only
    DuzUdozuzeElidedLabel *m_pHeadline = nullptr; // of a capture only
    qint64 m_nHeadlineCursor = -1;
    quint64 m_nHeadlineGeneration = ~quint64(0);
};

#endif // DUZUDOZUZETIMELINEDOCK_H
