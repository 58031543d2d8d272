// SPDX-License-Identifier: MIT
#include "app/duzudozuzehistorydock.h"

#include "app/duzudozuzetableview.h"

#include <QMenu>

DuzUdozuzeHistoryDock::DuzUdozuzeHistoryDock(const DuzUdozuzeWorkstationTable &table,
                                             DuzUdozuzeHistoryModel::Kind kind, QWidget *parent)
    : QDockWidget(parent),
      m_pModel(new DuzUdozuzeHistoryModel(table, kind, this)),
      m_pView(new DuzUdozuzeTableView(m_pModel, this))
{
    const bool mastership = kind == DuzUdozuzeHistoryModel::Kind::Mastership;
    setWindowTitle(mastership ? tr("Mastership history") : tr("Warnings"));
    setObjectName(mastership ? QStringLiteral("historyDock") : QStringLiteral("warningLogDock"));
    m_pView->setObjectName(mastership ? QStringLiteral("historyView")
                                      : QStringLiteral("warningLogView"));
    setWidget(m_pView);
}

void DuzUdozuzeHistoryDock::setAcknowledgeAction(QAction *all)
{
    m_pView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pView, &QWidget::customContextMenuRequested, this, [this, all](const QPoint &point) {
        QMenu menu(this);
        const QModelIndex index = m_pView->indexAt(point);
        if (index.isValid()) {
            menu.addAction(tr("Acknowledge This Warning"), this,
                           [this, row = index.row()] { emit acknowledgeRowWanted(row); });
        }
        menu.addAction(all);
        menu.exec(m_pView->viewport()->mapToGlobal(point));
    });
}

void DuzUdozuzeHistoryDock::refresh()
{
    m_pModel->refresh();
}

void DuzUdozuzeHistoryDock::selectNearest(qint64 wall)
{
    refresh();
    const int row = m_pModel->rowNearest(wall);
    if (row < 0)
        return;
    m_pView->selectRow(row);
    m_pView->scrollTo(m_pModel->index(row, 0));
}
