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
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setResizeContentsPrecision(0);
    horizontalHeader()->setStretchLastSection(true);
}
