// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEOWNROWFIRSTPROXY_H
#define DUZUDOZUZEOWNROWFIRSTPROXY_H

#include <QSortFilterProxyModel>

// Sorts the workstation table by any column, either way, with this
// workstation's own row (the source's first) always on top, and under it the
// claimers of its own group, the rows the headline names: with two masters
// standing they are in sight however long the table.
class DuzUdozuzeOwnRowFirstProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};

#endif // DUZUDOZUZEOWNROWFIRSTPROXY_H
