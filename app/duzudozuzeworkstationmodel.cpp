// SPDX-License-Identifier: MIT
#include "app/duzudozuzeworkstationmodel.h"

#include "protocol/duzudozuzeworkstationreport.h"

#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

using Report = DuzUdozuzeWorkstationReport::Column;

DuzUdozuzeWorkstationModel::DuzUdozuzeWorkstationModel(const DuzUdozuzeWorkstationTable &table,
                                                       QObject *parent)
    : QAbstractTableModel(parent),
      m_table(table),
      m_nRows(table.rowCount()),
      m_nStructure(table.structureGeneration()),
      m_nEvicted(table.evicted())
{ }

int DuzUdozuzeWorkstationModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int DuzUdozuzeWorkstationModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : DuzUdozuzeWorkstationReport::ColumnCount;
}

QVariant DuzUdozuzeWorkstationModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_table.rowCount())
        return {};
    const DuzUdozuzeWorkstationTable::Row &row = m_table.row(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (const auto then = roleAt(row); then && index.column() == Report::Role) {
            using Role = DuzUdozuzeTimeline::Role;
            return *then == Role::Unheard ? QStringLiteral("stale")
                : *then == Role::Slave    ? QString()
                                          : QStringLiteral("MASTER");
        }
        return DuzUdozuzeWorkstationReport::cell(m_table, index.row(), index.column());
    case SortRole:
        switch (index.column()) {
        case Report::Workstation:
            return row.workstation;
        case Report::Channel:
            return row.channel;
        case Report::Received:
            return row.received;
        case Report::FirstSeen:
            return row.firstSeen;
        case Report::LastSeen:
            return row.lastSeen;
        default:
            return data(index, Qt::DisplayRole);
        }
    case Qt::FontRole: {
        // A claim reads from afar by its weight as well as its colour.
        const DuzUdozuzeCellStyle::Kind is = kind(row);
        if (row.own
            || (index.column() == Report::Role
                && (is == DuzUdozuzeCellStyle::Kind::HealthyClaim
                    || is == DuzUdozuzeCellStyle::Kind::UnhealthyClaim))) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    }
    case Qt::ForegroundRole:
    case Qt::BackgroundRole: {
        // The text says "MASTER" too: the colour is not the only mark.
        const DuzUdozuzeCellStyle style
            = DuzUdozuzeCellStyle::of(kind(row), QGuiApplication::palette());
        const QColor &colour = role == Qt::ForegroundRole ? style.foreground : style.background;
        return colour.isValid() ? QVariant(QBrush(colour)) : QVariant();
    }
    case Qt::ToolTipRole:
        return DuzUdozuzeWorkstationReport::cellToolTip(m_table, index.row(), index.column());
    case OwnGroupClaimRole: {
        const DuzUdozuzeWorkstationTable::Row &own = m_table.row(0);
        return m_table.claimsMaster(row) && row.channel == own.channel
            && row.alarmSystem == own.alarmSystem && row.system == own.system;
    }
    default:
        return {};
    }
}

DuzUdozuzeCellStyle::Kind
DuzUdozuzeWorkstationModel::kind(const DuzUdozuzeWorkstationTable::Row &row) const
{
    using Kind = DuzUdozuzeCellStyle::Kind;
    if (const auto then = roleAt(row)) {
        using Role = DuzUdozuzeTimeline::Role;
        return *then == Role::Master   ? Kind::HealthyClaim
            : *then == Role::Unhealthy ? Kind::UnhealthyClaim
            : *then == Role::Unheard   ? Kind::Stale
                                       : Kind::Normal;
    }
    if (m_table.claimsMaster(row)) {
        const bool healthy = row.own
            ? row.healthy
            : row.lastCode != QLatin1String("NU") && row.lastHealth == QLatin1String("OK");
        return healthy ? Kind::HealthyClaim : Kind::UnhealthyClaim;
    }
    if (m_table.isStale(row))
        return Kind::Stale;
    return row.own ? Kind::Own : Kind::Normal;
}

QVariant DuzUdozuzeWorkstationModel::headerData(int section, Qt::Orientation orientation,
                                                int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return DuzUdozuzeWorkstationReport::header(section);
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && !m_table.source().isLive()
        && section == Report::LastSeen)
        return tr("How long before the capture's last packet it was last heard");
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole)
        return DuzUdozuzeWorkstationReport::headerToolTip(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

std::optional<DuzUdozuzeTimeline::Role>
DuzUdozuzeWorkstationModel::roleAt(const DuzUdozuzeWorkstationTable::Row &row) const
{
    if (!m_pMoment || row.own)
        return std::nullopt;
    const int lane = m_pMoment->laneOf(row.system, row.alarmSystem, row.channel, row.workstation);
    if (lane < 0)
        return std::nullopt;
    return m_pMoment->roleAt(lane, m_nMoment);
}

void DuzUdozuzeWorkstationModel::setMoment(const DuzUdozuzeTimeline *timeline, qint64 clock)
{
    m_pMoment = timeline;
    m_nMoment = clock;
    if (m_nRows > 0)
        emit dataChanged(index(0, 0), index(m_nRows - 1, columnCount() - 1));
}

void DuzUdozuzeWorkstationModel::refresh()
{
    const int rows = m_table.rowCount();
    const quint64 added = m_table.structureGeneration() - m_nStructure;
    if (added != 0) {
        // Rows only added: the views insert them; anything else, the views
        // start again.
        if (m_table.evicted() == m_nEvicted && rows > m_nRows && added == quint64(rows - m_nRows)) {
            beginInsertRows({}, m_nRows, rows - 1);
            m_nRows = rows;
            endInsertRows();
        } else {
            beginResetModel();
            m_nRows = rows;
            endResetModel();
        }
        m_nStructure = m_table.structureGeneration();
        m_nEvicted = m_table.evicted();
    }
    if (m_nRows > 0)
        emit dataChanged(index(0, 0), index(m_nRows - 1, columnCount() - 1));
}
