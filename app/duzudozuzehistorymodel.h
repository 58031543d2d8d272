// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHISTORYMODEL_H
#define DUZUDOZUZEHISTORYMODEL_H

#include <QAbstractTableModel>

class DuzUdozuzeWorkstationTable;

// A history of the workstation table for a view, the newest entry first:
// the changes of who is master, or the warnings raised and ended.
class DuzUdozuzeHistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Kind { Mastership, Warnings };

    DuzUdozuzeHistoryModel(const DuzUdozuzeWorkstationTable &table, Kind kind,
                           QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Takes in the entries since the last call.
    void refresh();
    // Of the mastership history, the row nearest a wall time (ms since the
    // epoch); -1 when there is none.
    int rowNearest(qint64 wall) const;

private:
    quint64 generation() const;

    const DuzUdozuzeWorkstationTable &m_table;
    Kind m_kind;
    quint64 m_nGeneration = 0;
};

#endif // DUZUDOZUZEHISTORYMODEL_H
