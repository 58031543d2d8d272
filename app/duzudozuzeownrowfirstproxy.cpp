// SPDX-License-Identifier: MIT
#include "app/duzudozuzeownrowfirstproxy.h"

#include "app/duzudozuzeworkstationmodel.h"

bool DuzUdozuzeOwnRowFirstProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    // A descending sort takes "greater" rows first.
    const bool ascending = sortOrder() == Qt::AscendingOrder;
    if (left.row() == 0 || right.row() == 0)
        return (left.row() == 0) == ascending;
    const int claim = DuzUdozuzeWorkstationModel::OwnGroupClaimRole;
    const bool leftClaims = left.data(claim).toBool();
    if (leftClaims != right.data(claim).toBool())
        return leftClaims == ascending;
    return QSortFilterProxyModel::lessThan(left, right);
}
