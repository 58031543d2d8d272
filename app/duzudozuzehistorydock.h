// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHISTORYDOCK_H
#define DUZUDOZUZEHISTORYDOCK_H

#include "app/duzudozuzehistorymodel.h"

#include <QDockWidget>

class QAction;
class QTableView;

// A dock with a history of the workstation table, the newest entry first: the
// changes of who is master, or the warnings raised and ended, each of which
// the operator can acknowledge from its context menu.
class DuzUdozuzeHistoryDock : public QDockWidget
{
    Q_OBJECT

public:
    DuzUdozuzeHistoryDock(const DuzUdozuzeWorkstationTable &table,
                          DuzUdozuzeHistoryModel::Kind kind, QWidget *parent = nullptr);

    // Takes in the entries since the last call.
    void refresh();
    // Selects and shows the entry nearest a wall time, ms since the epoch.
    void selectNearest(qint64 wall);
    QTableView *view() const { return m_pView; }
    // A row's context menu: Acknowledge This Warning, then all, the action.
    void setAcknowledgeAction(QAction *all);

signals:
    void acknowledgeRowWanted(int row);

private:
    DuzUdozuzeHistoryModel *m_pModel; // child of this dock
    QTableView *m_pView;
};

#endif // DUZUDOZUZEHISTORYDOCK_H
