// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWORKSTATIONSDOCK_H
#define DUZUDOZUZEWORKSTATIONSDOCK_H

#include <QDockWidget>

class DuzUdozuzeHeadlineBar;
class DuzUdozuzeTableView;
class DuzUdozuzeTimeline;
class DuzUdozuzeTimelineView;
class DuzUdozuzeWorkstationModel;
class DuzUdozuzeWorkstationTable;
class QAction;
class QLabel;
class QTableView;

// The Workstations dock: at its top the headline, who is master in large
// type; under it the warnings in force, wrapped to the dock's width, the
// first few of a flood and how many more; under them one row for each workstation
// heard, this workstation's own first, sortable by any column. Who is what
// comes first whatever the width; the columns least needed give way as the
// dock narrows. A row's context menu asks for that workstation's lines in the
// log; the window decides what that means.
class DuzUdozuzeWorkstationsDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit DuzUdozuzeWorkstationsDock(const DuzUdozuzeWorkstationTable &table,
                                        QWidget *parent = nullptr);

    DuzUdozuzeWorkstationModel *model() const { return m_pModel; }
    QTableView *view() const { return m_pView; }
    // Called by the window once a second: the ages and the claims change with
    // time alone.
    void refresh(bool listening);
    // On the headline's button and in the warnings' context menu.
    void setAcknowledgeAction(QAction *action);
    // From the next showWarnings() on, text stands above the warnings for good.
    void setNotListening(const QString &text);
    void showWarnings(const QStringList &warnings);
    // The table's roles and the headline as they stood at the moment of the
    // timeline (a capture's cursor), or as they are from its end on.
    void setMoment(const DuzUdozuzeTimeline &timeline, qint64 clock);
    // At the moment of the view's cursor, wherever it moves.
    void followCursor(const DuzUdozuzeTimelineView &view, const DuzUdozuzeTimeline &timeline);

signals:
    // "Show its lines in the log" on the workstation at row of the table.
    void linesOfRowWanted(int row);

private:
    void createWarningList(QWidget *parent);
    void showHeadline(bool listening);
    void keepClaimersInSight();
    DuzUdozuzeTableView *createTableView(QWidget *parent);
    // Who is what first: the identity, the claim and when it was last heard.
    static void arrangeColumns(DuzUdozuzeTableView *view);

    const DuzUdozuzeWorkstationTable &m_table;
    DuzUdozuzeWorkstationModel *m_pModel; // child of this dock
    DuzUdozuzeHeadlineBar *m_pHeadline = nullptr;
    QLabel *m_pqWarnings = nullptr;
    QTableView *m_pView = nullptr;
    QString m_strNotListening;
    const DuzUdozuzeTimeline *m_pMoment = nullptr; // while a moment is chosen
    qint64 m_nMoment = 0;
    // Warnings shown; the rest are counted, and all are in the tooltip.
    static constexpr int WarningsShown = 3;
};

#endif // DUZUDOZUZEWORKSTATIONSDOCK_H
