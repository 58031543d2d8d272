// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZENEWLINESCUE_H
#define DUZUDOZUZENEWLINESCUE_H

#include "common/duzudozuzelineserial.h"

#include <QObject>

class DuzUdozuzeLogView;
class QToolButton;

// While the log view does not follow new lines, a small button in its lower
// corner says how many have come since it stopped ("12 new lines"); a click
// follows again, to the newest line.
class DuzUdozuzeNewLinesCue : public QObject
{
    Q_OBJECT

public:
    // A child of view.
    explicit DuzUdozuzeNewLinesCue(DuzUdozuzeLogView *view);

    QToolButton *button() const { return m_pqButton; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();
    void place();

    DuzUdozuzeLogView *m_pView;
    QToolButton *m_pqButton;
    bool m_bFollow = true;
    DuzUdozuzeLineSerial m_nSince; // the store's end when following stopped
};

#endif // DUZUDOZUZENEWLINESCUE_H
