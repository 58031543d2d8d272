// SPDX-License-Identifier: MIT
#include "app/duzudozuzetableview.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

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
    QHeaderView *header = horizontalHeader();
    header->setSectionsMovable(true);
    // Sized here rather than by the header, which would not let the user
    // size a column.
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setResizeContentsPrecision(0);
    header->setStretchLastSection(true);
    header->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (m_bDragging && !m_bFitting && column != stretchedColumn())
            m_sized.insert(column);
    });
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this, [this](int column) {
        m_sized.remove(column);
        m_fitTimer.start();
    });
    m_fitTimer.setSingleShot(true);
    m_fitTimer.setInterval(0);
    connect(&m_fitTimer, &QTimer::timeout, this, &DuzUdozuzeTableView::fitColumns);
    const auto fitLater = [this] { m_fitTimer.start(); };
    connect(model, &QAbstractItemModel::modelReset, this, fitLater);
    connect(model, &QAbstractItemModel::layoutChanged, this, fitLater);
    connect(model, &QAbstractItemModel::rowsInserted, this, fitLater);
    connect(model, &QAbstractItemModel::rowsRemoved, this, fitLater);
    connect(model, &QAbstractItemModel::dataChanged, this, fitLater);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, fitLater);
    m_fitTimer.start();
}

QList<int> DuzUdozuzeTableView::sizedColumns() const
{
    QList<int> columns(m_sized.cbegin(), m_sized.cend());
    std::sort(columns.begin(), columns.end());
    return columns;
}

void DuzUdozuzeTableView::setSizedColumns(const QList<int> &columns)
{
    m_sized = QSet<int>(columns.cbegin(), columns.cend());
    m_fitTimer.start();
}

// Only a press on the header makes a width the user's: the view's own
// sizing, and the last column stretching with the view, do not.
bool DuzUdozuzeTableView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress)
        m_bDragging = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    else if (event->type() == QEvent::MouseButtonRelease)
        m_bDragging = false;
    return QTableView::eventFilter(watched, event);
}

// Other rows come into sight.
void DuzUdozuzeTableView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    m_fitTimer.start();
}

// The last column shown takes what is left.
int DuzUdozuzeTableView::stretchedColumn() const
{
    const QHeaderView *header = horizontalHeader();
    int last = header->count() - 1;
    while (last >= 0 && header->isSectionHidden(header->logicalIndex(last)))
        --last;
    return last >= 0 ? header->logicalIndex(last) : -1;
}

void DuzUdozuzeTableView::fitColumns()
{
    m_bFitting = true;
    const int stretched = stretchedColumn();
    for (int column = 0; column < horizontalHeader()->count(); ++column) {
        if (!m_sized.contains(column) && column != stretched)
            resizeColumnToContents(column);
    }
    m_bFitting = false;
}
