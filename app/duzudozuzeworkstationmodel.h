// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWORKSTATIONMODEL_H
#define DUZUDOZUZEWORKSTATIONMODEL_H

#include "app/duzudozuzecellstyle.h"
#include "protocol/duzudozuzetimeline.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QAbstractTableModel>

#include <optional>

// The workstation table for views: one row a workstation, this workstation's
// own first and in bold, master claimers marked in text and colour (healthy
// and unhealthy ones apart), stale rows subdued, every column and code
// explained in a tooltip. The views learn of changes only when refresh() is called, so
// a flood of datagrams costs them nothing.
class DuzUdozuzeWorkstationModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The key sortable views sort by: numbers as numbers, times as times.
    static constexpr int SortRole = Qt::UserRole;
    // True for a claimer of this workstation's own group: a row the headline
    // names.
    static constexpr int OwnGroupClaimRole = Qt::UserRole + 1;

    explicit DuzUdozuzeWorkstationModel(const DuzUdozuzeWorkstationTable &table,
                                        QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Tells the views of the rows added or removed since the last call, and
    // that every cell may have changed: time alone changes the ages, the
    // claims and staleness.
    void refresh();
    // The roles as they stood at the moment of the timeline (source clock),
    // in a capture's window, where a cursor chooses it; none: as they are.
    void setMoment(const DuzUdozuzeTimeline *timeline, qint64 clock);

private:
    DuzUdozuzeCellStyle::Kind kind(const DuzUdozuzeWorkstationTable::Row &row) const;
    // Of another workstation's row at the moment, if one is chosen and the
    // timeline has its lane.
    std::optional<DuzUdozuzeTimeline::Role>
    roleAt(const DuzUdozuzeWorkstationTable::Row &row) const;

    const DuzUdozuzeWorkstationTable &m_table;
    int m_nRows = 0; // as the views know them
    quint64 m_nStructure = 0;
    quint64 m_nEvicted = 0;
    const DuzUdozuzeTimeline *m_pMoment = nullptr;
    qint64 m_nMoment = 0;
};

#endif // DUZUDOZUZEWORKSTATIONMODEL_H
