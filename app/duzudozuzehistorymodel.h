// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEHISTORYMODEL_H
#define DUZUDOZUZEHISTORYMODEL_H

#include <QAbstractTableModel>

class DuzUdozuzeWorkstationTable;

// This workstation's mastership history for a view, the newest change first.
class DuzUdozuzeHistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DuzUdozuzeHistoryModel(const DuzUdozuzeWorkstationTable &table,
                                    QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Takes in the changes since the last call.
    void refresh();

private:
    const DuzUdozuzeWorkstationTable &m_table;
    quint64 m_nChanges = 0;
};

#endif // DUZUDOZUZEHISTORYMODEL_H
