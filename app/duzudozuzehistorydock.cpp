// SPDX-License-Identifier: MIT
#include "app/duzudozuzehistorydock.h"

#include "app/duzudozuzetableview.h"

DuzUdozuzeHistoryDock::DuzUdozuzeHistoryDock(const DuzUdozuzeWorkstationTable &table,
                                             DuzUdozuzeHistoryModel::Kind kind, QWidget *parent)
    : QDockWidget(parent), m_pModel(new DuzUdozuzeHistoryModel(table, kind, this))
{
    const bool mastership = kind == DuzUdozuzeHistoryModel::Kind::Mastership;
    setWindowTitle(mastership ? tr("Mastership history") : tr("Warnings"));
    setObjectName(mastership ? QStringLiteral("historyDock") : QStringLiteral("warningLogDock"));
    setWidget(new DuzUdozuzeTableView(m_pModel, this));
}

void DuzUdozuzeHistoryDock::refresh()
{
    m_pModel->refresh();
}
