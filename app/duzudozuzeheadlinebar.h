// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHEADLINEBAR_H
#define DUZUDOZUZEHEADLINEBAR_H

#include <QWidget>

struct DuzUdozuzeHeadline;
class QAction;
class QLabel;
class QToolButton;

// The headline at the top of the Workstations dock, in type large and bold
// enough to read from the other side of a control room, and larger as the
// window grows: who is master, or the warning that stands in the own group,
// in the warning colour, focused or not; under it the group it speaks of and,
// while warnings wait to be acknowledged, how many, and a button that
// acknowledges them.
class DuzUdozuzeHeadlineBar : public QWidget
{
    Q_OBJECT

public:
    explicit DuzUdozuzeHeadlineBar(QWidget *parent = nullptr);

    // The window's Acknowledge Warnings, on the button and in the context menu.
    void setAcknowledgeAction(QAction *action);
    void showHeadline(const DuzUdozuzeHeadline &headline);
    QString text() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The type for a window of that height: never smaller than the first.
    void scaleFor(int windowHeight);

    QLabel *m_pqText;
    QLabel *m_pqGroup;
    double m_nScale = 0;
    QLabel *m_pqUnacknowledged;
    QToolButton *m_pqAcknowledge;
};

#endif // DUZUDOZUZEHEADLINEBAR_H
