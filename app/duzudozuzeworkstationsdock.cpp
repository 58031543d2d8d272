// SPDX-License-Identifier: MIT
#include "app/duzudozuzeworkstationsdock.h"

#include "app/duzudozuzecolumnfitter.h"
#include "app/duzudozuzeownrowfirstproxy.h"
#include "app/duzudozuzetableview.h"
#include "app/duzudozuzewarningstyle.h"
#include "app/duzudozuzeworkstationmodel.h"
#include "protocol/duzudozuzeworkstationreport.h"

#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

DuzUdozuzeWorkstationsDock::DuzUdozuzeWorkstationsDock(const DuzUdozuzeWorkstationTable &table,
                                                       QWidget *parent)
    : QDockWidget(tr("Workstations"), parent), m_pModel(new DuzUdozuzeWorkstationModel(table, this))
{
    setObjectName(QStringLiteral("workstationsDock"));
    auto *content = new QWidget;
    createWarningList(content);
    QTableView *view = createTableView(content);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pqWarnings);
    layout->addWidget(view);
    setWidget(content);
    arrangeColumns(view);
}

// However many warnings there are, a few lines that scroll.
void DuzUdozuzeWorkstationsDock::createWarningList(QWidget *parent)
{
    m_pqWarnings = new QListWidget(parent);
    m_pqWarnings->setObjectName(QStringLiteral("warnings"));
    m_pqWarnings->setUniformItemSizes(true);
    m_pqWarnings->setTextElideMode(Qt::ElideRight);
    m_pqWarnings->setSizeAdjustPolicy(QAbstractScrollArea::AdjustIgnored);
    m_pqWarnings->setStyleSheet(
        DuzUdozuzeWarningStyle::sheet(QStringLiteral("QListWidget"), palette()));
    m_pqWarnings->hide();
}

QTableView *DuzUdozuzeWorkstationsDock::createTableView(QWidget *parent)
{
    auto *sorted = new DuzUdozuzeOwnRowFirstProxy(this);
    sorted->setSourceModel(m_pModel);
    sorted->setSortRole(DuzUdozuzeWorkstationModel::SortRole);
    auto *view = new DuzUdozuzeTableView(sorted, parent);
    view->setObjectName(QStringLiteral("workstationView"));
    view->setSortingEnabled(true);
    view->sortByColumn(DuzUdozuzeWorkstationReport::Workstation, Qt::AscendingOrder);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view, sorted](const QPoint &point) {
                const QModelIndex index = view->indexAt(point);
                if (!index.isValid())
                    return;
                const int row = sorted->mapToSource(index).row();
                QMenu menu(this);
                menu.addAction(tr("Show its lines in the log"), this,
                               [this, row] { emit linesOfRowWanted(row); });
                menu.exec(view->viewport()->mapToGlobal(point));
            });
    return view;
}

// The rest go as the dock narrows, least needed first.
void DuzUdozuzeWorkstationsDock::arrangeColumns(QTableView *view)
{
    using Report = DuzUdozuzeWorkstationReport::Column;
    QHeaderView *header = view->horizontalHeader();
    const QList<int> shownOrder {Report::Workstation, Report::System,   Report::AlarmSystem,
                                 Report::Channel,     Report::Role,     Report::LastSeen,
                                 Report::Health,      Report::LastCode, Report::Sender,
                                 Report::Received,    Report::FirstSeen};
    for (int place = 0; place < int(shownOrder.size()); ++place)
        header->moveSection(header->visualIndex(shownOrder.at(place)), place);
    new DuzUdozuzeColumnFitter(view,
                               {Report::FirstSeen, Report::Received, Report::Sender,
                                Report::LastCode, Report::Health, Report::AlarmSystem,
                                Report::System, Report::Channel});
}

void DuzUdozuzeWorkstationsDock::setNotListening(const QString &text)
{
    m_strNotListening = text;
}

void DuzUdozuzeWorkstationsDock::showWarnings(const QStringList &warnings)
{
    QStringList listed = warnings;
    if (!m_strNotListening.isEmpty())
        listed.prepend(m_strNotListening);
    m_pqWarnings->clear();
    m_pqWarnings->addItems(listed);
    m_pqWarnings->setVisible(!listed.isEmpty());
    // As high as its lines, up to a few; more scroll.
    m_pqWarnings->setFixedHeight(m_pqWarnings->sizeHintForRow(0)
                                     * qBound(1, int(listed.size()), WarningLines)
                                 + 2 * m_pqWarnings->frameWidth());
}
