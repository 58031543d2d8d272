// SPDX-License-Identifier: MIT
#include "app/duzudozuzecolumnfitter.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>

DuzUdozuzeColumnFitter::DuzUdozuzeColumnFitter(QTableView *view, QList<int> dropOrder)
    : QObject(view), m_pView(view), m_dropOrder(std::move(dropOrder))
{
    view->viewport()->installEventFilter(this);
}

bool DuzUdozuzeColumnFitter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        fit();
    return QObject::eventFilter(watched, event);
}

void DuzUdozuzeColumnFitter::fit()
{
    QHeaderView *header = m_pView->horizontalHeader();
    const int room = m_pView->viewport()->width();
    // Every column's own width, what its title and the rows in sight need:
    // never the room the last one was stretched to, or a column that gave way
    // would make the room that keeps it out.
    const auto width = [this, header](int column) {
        return qMax(header->sectionSizeHint(column),
                    static_cast<const QAbstractItemView *>(m_pView)->sizeHintForColumn(column));
    };
    int needed = 0;
    for (int column = 0; column < header->count(); ++column)
        needed += width(column);
    for (const int column : m_dropOrder) {
        const bool fits = needed <= room;
        header->setSectionHidden(column, !fits);
        if (!fits)
            needed -= width(column);
    }
}
