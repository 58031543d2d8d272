// SPDX-License-Identifier: MIT
#include "app/duzudozuzetableview.h"

#include <QHeaderView>

DuzUdozuzeTableView::DuzUdozuzeTableView(QAbstractItemModel *model, QWidget *parent)
    : QTableView(parent)
{
    setModel(model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    // Tab leaves the table for the next view; the arrows move in it.
    setTabKeyNavigation(false);
    // A long cell ends in "...", whole in its tooltip.
    setWordWrap(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setResizeContentsPrecision(0);
    horizontalHeader()->setStretchLastSection(true);
}
