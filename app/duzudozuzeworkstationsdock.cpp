// SPDX-License-Identifier: MIT
#include "app/duzudozuzeworkstationsdock.h"

#include "app/duzudozuzeheadlinebar.h"
#include "app/duzudozuzeownrowfirstproxy.h"
#include "app/duzudozuzetableview.h"
#include "app/duzudozuzetimelineview.h"
#include "app/duzudozuzewarningstyle.h"
#include "app/duzudozuzeworkstationmodel.h"
#include "protocol/duzudozuzeheadline.h"
#include "protocol/duzudozuzeworkstationreport.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

DuzUdozuzeWorkstationsDock::DuzUdozuzeWorkstationsDock(const DuzUdozuzeWorkstationTable &table,
                                                       QWidget *parent)
    : QDockWidget(tr("Workstations"), parent),
      m_table(table),
      m_pModel(new DuzUdozuzeWorkstationModel(table, this))
{
    setObjectName(QStringLiteral("workstationsDock"));
    auto *content = new QWidget;
    m_pHeadline = new DuzUdozuzeHeadlineBar(content);
    createWarningList(content);
    DuzUdozuzeTableView *view = createTableView(content);
    m_pView = view;
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pHeadline);
    layout->addWidget(m_pqWarnings);
    layout->addWidget(view, 1);
    setWidget(content);
    arrangeColumns(view);
    showHeadline(true);
}

// Wrapped to the dock's width and as high as its lines: never a line cut
// short behind a scroll bar.
void DuzUdozuzeWorkstationsDock::createWarningList(QWidget *parent)
{
    m_pqWarnings = new QLabel(parent);
    m_pqWarnings->setObjectName(QStringLiteral("warnings"));
    m_pqWarnings->setTextFormat(Qt::PlainText);
    m_pqWarnings->setWordWrap(true);
    m_pqWarnings->setMargin(4);
    m_pqWarnings->setStyleSheet(DuzUdozuzeWarningStyle::sheet(QStringLiteral("QLabel"), palette()));
    m_pqWarnings->hide();
}

void DuzUdozuzeWorkstationsDock::setAcknowledgeAction(QAction *action)
{
    m_pHeadline->setAcknowledgeAction(action);
    m_pqWarnings->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_pqWarnings->addAction(action);
}

void DuzUdozuzeWorkstationsDock::refresh(bool listening)
{
    m_pModel->refresh();
    showHeadline(listening);
    keepClaimersInSight();
}

// The rows the headline names, this workstation's and its group's claimers
// (sorted first), stay in sight however many warning lines stand over them:
// the table asks for their height, and the other docks give it up.
void DuzUdozuzeWorkstationsDock::keepClaimersInSight()
{
    constexpr int MostRows = 4;
    const int rows = 1 + qMin(int(m_table.ownGroupClaimers().size()), MostRows - 1);
    const int height = m_pView->horizontalHeader()->sizeHint().height()
        + rows * m_pView->verticalHeader()->defaultSectionSize()
        + m_pView->horizontalScrollBar()->sizeHint().height() + 2 * m_pView->frameWidth();
    if (m_pView->minimumHeight() != height)
        m_pView->setMinimumHeight(height);
}

void DuzUdozuzeWorkstationsDock::showHeadline(bool listening)
{
    m_pHeadline->showHeadline(m_pMoment ? DuzUdozuzeHeadline::at(*m_pMoment, m_nMoment)
                                        : DuzUdozuzeHeadline::of(m_table, listening));
}

void DuzUdozuzeWorkstationsDock::followCursor(const DuzUdozuzeTimelineView &view,
                                              const DuzUdozuzeTimeline &timeline)
{
    connect(&view, &DuzUdozuzeTimelineView::cursorMoved, this,
            [this, &timeline](qint64 clock) { setMoment(timeline, clock); });
}

void DuzUdozuzeWorkstationsDock::setMoment(const DuzUdozuzeTimeline &timeline, qint64 clock)
{
    m_pMoment = clock < timeline.now() ? &timeline : nullptr;
    m_nMoment = clock;
    m_pModel->setMoment(m_pMoment, clock);
    showHeadline(true);
}

DuzUdozuzeTableView *DuzUdozuzeWorkstationsDock::createTableView(QWidget *parent)
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
void DuzUdozuzeWorkstationsDock::arrangeColumns(DuzUdozuzeTableView *view)
{
    using Report = DuzUdozuzeWorkstationReport::Column;
    QHeaderView *header = view->horizontalHeader();
    const QList<int> shownOrder {Report::Workstation, Report::System,   Report::AlarmSystem,
                                 Report::Channel,     Report::Role,     Report::LastSeen,
                                 Report::Health,      Report::LastCode, Report::Sender,
                                 Report::Received,    Report::FirstSeen};
    for (int place = 0; place < int(shownOrder.size()); ++place)
        header->moveSection(header->visualIndex(shownOrder.at(place)), place);
    view->setDropOrder({Report::FirstSeen, Report::Received, Report::Sender, Report::LastCode,
                        Report::Health, Report::AlarmSystem, Report::System, Report::Channel});
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
    QStringList shown = listed.mid(0, WarningsShown);
    if (listed.size() > WarningsShown)
        shown.append(tr("and %1 more: see the tooltip and the Warnings dock")
                         .arg(listed.size() - WarningsShown));
    m_pqWarnings->setText(shown.join(QLatin1Char('\n')));
    m_pqWarnings->setToolTip(listed.size() > WarningsShown
                                 ? Qt::convertFromPlainText(listed.join(QLatin1Char('\n')))
                                 : QString());
    m_pqWarnings->setVisible(!listed.isEmpty());
}
