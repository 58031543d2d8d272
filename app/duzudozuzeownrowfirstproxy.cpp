// SPDX-License-Identifier: MIT
#include "app/duzudozuzeownrowfirstproxy.h"

bool DuzUdozuzeOwnRowFirstProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    // A descending sort takes "greater" rows first.
    if (left.row() == 0 || right.row() == 0)
        return (left.row() == 0) == (sortOrder() == Qt::AscendingOrder);
    return QSortFilterProxyModel::lessThan(left, right);
}
