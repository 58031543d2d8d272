// SPDX-License-Identifier: MIT
#include "app/duzudozuzetableview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>

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
        scheduleFit(When::Soon);
    });
    m_fitTimer.setSingleShot(true);
    connect(&m_fitTimer, &QTimer::timeout, this, &DuzUdozuzeTableView::fitColumns);
    // New rows and new texts wait for the next second's fit; a new model
    // is fitted at once.
    const auto fitSoon = [this] { scheduleFit(When::Soon); };
    const auto fitWithinASecond = [this] { scheduleFit(When::WithinASecond); };
    connect(model, &QAbstractItemModel::modelReset, this, fitSoon);
    connect(model, &QAbstractItemModel::layoutChanged, this, fitWithinASecond);
    connect(model, &QAbstractItemModel::rowsInserted, this, fitWithinASecond);
    connect(model, &QAbstractItemModel::rowsRemoved, this, fitWithinASecond);
    connect(model, &QAbstractItemModel::dataChanged, this, fitWithinASecond);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, fitWithinASecond);
    scheduleFit(When::Soon);
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
    scheduleFit(When::Soon);
}

void DuzUdozuzeTableView::setDropOrder(QList<int> columns)
{
    m_dropOrder = std::move(columns);
    scheduleFit(When::Soon);
}

void DuzUdozuzeTableView::scheduleFit(When when)
{
    if (when == When::Soon) {
        m_fitTimer.start(0);
        return;
    }
    if (m_fitTimer.isActive())
        return;
    constexpr qint64 Second = 1000;
    m_fitTimer.start(
        m_sinceFit.isValid() ? int(qBound<qint64>(0, Second - m_sinceFit.elapsed(), Second)) : 0);
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

// The viewport is resized: by the view's own room, which calls for a fit, or
// by a scroll bar coming or going, which does not.
void DuzUdozuzeTableView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (maximumViewportSize() != m_roomFitted)
        scheduleFit(When::Soon);
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

int DuzUdozuzeTableView::neededWidth(int column) const
{
    const QHeaderView *header = horizontalHeader();
    const int margins = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header)
        + style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header);
    const QString title = model()->headerData(column, Qt::Horizontal).toString();
    const int needed
        = qMax(header->fontMetrics().horizontalAdvance(title) + margins, sizeHintForColumn(column));
    return qMin(needed, fontMetrics().averageCharWidth() * MaxCharacters);
}

// The width the columns may take: the viewport's with no scroll bar, less
// a vertical one's whether it is there or not, so that a bar coming or going
// never brings a column back or sends it away.
int DuzUdozuzeTableView::room() const
{
    int width = maximumViewportSize().width();
    if (verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded)
        width -= verticalScrollBar()->sizeHint().width();
    return width;
}

void DuzUdozuzeTableView::fitColumns()
{
    m_roomFitted = maximumViewportSize();
    m_sinceFit.start();
    m_bFitting = true;
    dropColumns();
    const int stretched = stretchedColumn();
    for (int column = 0; column < horizontalHeader()->count(); ++column) {
        if (!m_sized.contains(column) && column != stretched)
            horizontalHeader()->resizeSection(column, neededWidth(column));
    }
    m_bFitting = false;
}

void DuzUdozuzeTableView::dropColumns()
{
    QHeaderView *header = horizontalHeader();
    // Every column's own width, measured alike shown or hidden: never the
    // room the last one was stretched to, nor the header's hint, which is
    // none for a hidden column, or a column that gave way would make the
    // room that keeps it out.
    QList<int> widths;
    int needed = 0;
    for (int column = 0; column < header->count(); ++column)
        needed += widths.emplace_back(neededWidth(column));
    const int available = room();
    for (const int column : std::as_const(m_dropOrder)) {
        const bool fits = needed <= available;
        if (header->isSectionHidden(column) == fits)
            header->setSectionHidden(column, !fits);
        if (!fits)
            needed -= widths.at(column);
    }
}

// Copy is the table's while it has the focus, not the window's.
bool DuzUdozuzeTableView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

// Tabbed into, the table shows where its focus is: the current row selected,
// the first one when there is none yet.
void DuzUdozuzeTableView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    if (!currentIndex().isValid() && model()->rowCount() > 0)
        setCurrentIndex(model()->index(0, horizontalHeader()->logicalIndex(0)));
    else if (currentIndex().isValid() && !selectionModel()->isSelected(currentIndex()))
        selectRow(currentIndex().row());
}

void DuzUdozuzeTableView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copyRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DuzUdozuzeTableView::copyRows() const
{
    const QHeaderView *header = horizontalHeader();
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [this](const QModelIndex &a, const QModelIndex &b) {
        return visualRect(a).top() < visualRect(b).top();
    });
    QStringList lines;
    for (const QModelIndex &row : std::as_const(rows)) {
        QStringList cells;
        for (int place = 0; place < header->count(); ++place) {
            const int column = header->logicalIndex(place);
            if (!header->isSectionHidden(column))
                cells.append(row.siblingAtColumn(column).data().toString());
        }
        lines.append(cells.join(QLatin1Char('\t')));
    }
    if (!lines.isEmpty())
        QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

// A cell whose text is cut short, and that has no tooltip of its own, shows
// the whole text in one.
bool DuzUdozuzeTableView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString text = index.data().toString();
        if (index.isValid() && index.data(Qt::ToolTipRole).toString().isEmpty()
            && fontMetrics().horizontalAdvance(text) > visualRect(index).width()) {
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
            return true;
        }
    }
    return QTableView::viewportEvent(event);
}
