// SPDX-License-Identifier: MIT
#include "app/duzudozuzehistorymodel.h"

#include "protocol/duzudozuzeworkstationreport.h"
#include "protocol/duzudozuzeworkstationtable.h"

DuzUdozuzeHistoryModel::DuzUdozuzeHistoryModel(const DuzUdozuzeWorkstationTable &table,
                                               QObject *parent)
    : QAbstractTableModel(parent), m_table(table), m_nChanges(table.modeChanges())
{ }

int DuzUdozuzeHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_table.history().size());
}

int DuzUdozuzeHistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : DuzUdozuzeWorkstationReport::HistoryColumnCount;
}

QVariant DuzUdozuzeHistoryModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return DuzUdozuzeWorkstationReport::historyCell(m_table, index.row(), index.column());
}

QVariant DuzUdozuzeHistoryModel::headerData(int section, Qt::Orientation orientation,
                                            int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return DuzUdozuzeWorkstationReport::historyHeader(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void DuzUdozuzeHistoryModel::refresh()
{
    // New changes come in at the top, the oldest may have gone: rare enough
    // to start the view again.
    if (m_table.modeChanges() == m_nChanges)
        return;
    beginResetModel();
    m_nChanges = m_table.modeChanges();
    endResetModel();
}
