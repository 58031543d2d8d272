// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHISTORYDOCK_H
#define DUZUDOZUZEHISTORYDOCK_H

#include "app/duzudozuzehistorymodel.h"

#include <QDockWidget>

// A dock with a history of the workstation table, the newest entry first: the
// changes of who is master, or the warnings raised and ended.
class DuzUdozuzeHistoryDock : public QDockWidget
{
    Q_OBJECT

public:
    DuzUdozuzeHistoryDock(const DuzUdozuzeWorkstationTable &table,
                          DuzUdozuzeHistoryModel::Kind kind, QWidget *parent = nullptr);

    // Takes in the entries since the last call.
    void refresh();

private:
    DuzUdozuzeHistoryModel *m_pModel; // child of this dock
};

#endif // DUZUDOZUZEHISTORYDOCK_H
