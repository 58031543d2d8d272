// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESTATUSBAR_H
#define DUZUDOZUZESTATUSBAR_H

#include <QStatusBar>

class DuzUdozuzeElidedLabel;
class DuzUdozuzeStation;
class QLabel;

// The window's status bar: this workstation's mode and the counts, the lines
// the log view's limit dropped, the warnings in force and the set-up's
// problems (each cut to the room it has, whole in its tooltip), and where the
// window's datagrams come from when it is not a live port. Texts from outside
// are shown as they are, never read as markup.
class DuzUdozuzeStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit DuzUdozuzeStatusBar(QWidget *parent = nullptr);

    // The mode and the counts, the lines dropped, and once that the
    // workstation table is full.
    void showState(const DuzUdozuzeStation &station, quint64 linesDropped);
    // Not listening is the one state an operator must never take for
    // listening: the counts give way to text, in the warning colour, for good.
    void showNotListening(const QString &text);
    // How many warnings there are, and the first.
    void showWarnings(const QStringList &warnings);
    // For as long as the window is open, after those before it.
    void addProblem(const QString &text);
    // The capture at path is shown, not a live port; then how far it was read.
    void showCapture(const QString &path);
    // summary: its span and ports, as the feed gives them.
    void showCaptureRead(const QString &path, bool toItsEnd, quint64 packets,
                         const QString &summary);

private:
    DuzUdozuzeElidedLabel *m_pqWarnings;
    QLabel *m_pqMode;
    QLabel *m_pqCounts;
    QLabel *m_pqDropped;
    DuzUdozuzeElidedLabel *m_pqProblems; // the set-up's and the metrics'
    QLabel *m_pqCapture = nullptr;
    QStringList m_problems;
    bool m_bEvictionTold = false;
};

#endif // DUZUDOZUZESTATUSBAR_H
