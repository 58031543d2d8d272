// SPDX-License-Identifier: MIT
#include "app/duzudozuzehistorymodel.h"

#include "app/duzudozuzecellstyle.h"
#include "protocol/duzudozuzeworkstationreport.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QGuiApplication>
#include <QPalette>

namespace Report = DuzUdozuzeWorkstationReport;

DuzUdozuzeHistoryModel::DuzUdozuzeHistoryModel(const DuzUdozuzeWorkstationTable &table, Kind kind,
                                               QObject *parent)
    : QAbstractTableModel(parent), m_table(table), m_kind(kind), m_nGeneration(generation())
{ }

quint64 DuzUdozuzeHistoryModel::generation() const
{
    return m_kind == Kind::Mastership ? m_table.historyGeneration() : m_table.warningGeneration();
}

int DuzUdozuzeHistoryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_kind == Kind::Mastership ? m_table.history().size() : m_table.warningLog().size());
}

int DuzUdozuzeHistoryModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_kind == Kind::Mastership ? int(Report::HistoryColumnCount)
                                      : int(Report::WarningColumnCount);
}

QVariant DuzUdozuzeHistoryModel::data(const QModelIndex &index, int role) const
{
    // A theme may dim the text a view is left to colour itself (Adwaita's
    // dark one, to about 4.4:1, as grey as a stale row): the picture's own.
    if (role == Qt::ForegroundRole && index.isValid())
        return DuzUdozuzeCellStyle::of(DuzUdozuzeCellStyle::Kind::Normal,
                                       QGuiApplication::palette())
            .foreground;
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid()
        || index.row() >= rowCount())
        return {};
    return m_kind == Kind::Mastership ? Report::historyCell(m_table, index.row(), index.column())
                                      : Report::warningCell(m_table, index.row(), index.column());
}

QVariant DuzUdozuzeHistoryModel::headerData(int section, Qt::Orientation orientation,
                                            int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_kind == Kind::Mastership ? Report::historyHeader(section)
                                          : Report::warningHeader(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void DuzUdozuzeHistoryModel::refresh()
{
    // New entries come in at the top, the oldest may have gone: rare enough
    // to start the view again.
    if (generation() == m_nGeneration)
        return;
    beginResetModel();
    m_nGeneration = generation();
    endResetModel();
}

// The history is short (it keeps its last entries only): read through.
int DuzUdozuzeHistoryModel::rowNearest(qint64 wall) const
{
    if (m_kind != Kind::Mastership)
        return -1;
    const auto &history = m_table.history();
    int nearest = -1;
    qint64 distance = 0;
    for (size_t i = 0; i < history.size(); ++i) {
        const qint64 away = qAbs(history[i].wallTime - wall);
        if (nearest < 0 || away < distance) {
            nearest = int(history.size() - 1 - i);
            distance = away;
        }
    }
    return nearest;
}
