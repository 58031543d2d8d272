// SPDX-License-Identifier: MIT
#include "app/duzudozuzelogview.h"

#include "common/duzudozuzelogfile.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

#include <optional>

namespace {

// Room left of the text, as a text view leaves it.
constexpr int Margin = 4;

} // namespace

DuzUdozuzeLogView::DuzUdozuzeLogView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Log"));
    setAccessibleDescription(
        tr("Every step of the program and every datagram received, one time-stamped line "
           "each, newest last. Read-only."));
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(RefreshInterval);
    connect(&m_refreshTimer, &QTimer::timeout, this, &DuzUdozuzeLogView::refresh);
    connect(&m_search, &DuzUdozuzeLogSearch::filterScanned, this,
            &DuzUdozuzeLogView::filterScanned);
    connect(&m_search, &DuzUdozuzeLogSearch::matchesCounted, this,
            &DuzUdozuzeLogView::matchesCounted);
}

DuzUdozuzeLogView::~DuzUdozuzeLogView() = default;

void DuzUdozuzeLogView::setMaxLines(qsizetype maxLines)
{
    m_store.setMaxLines(maxLines);
}

void DuzUdozuzeLogView::appendLine(const QString &line)
{
    if (line.size() > m_nLongest) {
        m_nLongest = line.size();
        m_nWidest = qMax(m_nWidest, fontMetrics().horizontalAdvance(line));
    }
    m_store.append(line.toUtf8());
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

qsizetype DuzUdozuzeLogView::rowCount() const
{
    return rows().count();
}

QString DuzUdozuzeLogView::rowText(DuzUdozuzeLogRow row) const
{
    return lineText(rows().serialAt(row));
}

QString DuzUdozuzeLogView::toPlainText() const
{
    QStringList lines;
    for (DuzUdozuzeLogRow row(0); row < DuzUdozuzeLogRow(rowCount()); ++row)
        lines.append(rowText(row));
    return lines.join(QLatin1Char('\n'));
}

DuzUdozuzeLogRow DuzUdozuzeLogView::topRow() const
{
    return DuzUdozuzeLogRow(verticalScrollBar()->value());
}

qsizetype DuzUdozuzeLogView::rowsBelowFrom(DuzUdozuzeLineSerial serial) const
{
    const DuzUdozuzeLogRow first = qMax(rows().rowOf(serial), topRow() + visibleRows());
    return qMax<qsizetype>(0, DuzUdozuzeLogRow(rowCount()) - first);
}

int DuzUdozuzeLogView::lineHeight() const
{
    return fontMetrics().lineSpacing();
}

int DuzUdozuzeLogView::visibleRows() const
{
    return qMax(1, viewport()->height() / lineHeight());
}

void DuzUdozuzeLogView::refresh()
{
    m_refreshTimer.stop();
    m_search.rows().setEnd(m_store.endSerial());
    m_search.scanSlice();
    m_selection.clamp(m_store);
    updateScrollBars();
    viewport()->update();
    emit rowsChanged();
}

void DuzUdozuzeLogView::updateScrollBars()
{
    m_bScrolling = true;
    QScrollBar *vertical = verticalScrollBar();
    const qsizetype count = rowCount();
    vertical->setRange(0, int(qMax<qsizetype>(0, count - visibleRows())));
    vertical->setPageStep(visibleRows());
    vertical->setSingleStep(1);
    // Following, the newest line shows; otherwise the same line stays at the
    // top, wherever it now is.
    vertical->setValue(m_bFollow ? vertical->maximum() : int(rows().rowOf(m_nTopSerial).value()));
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, qMax(0, m_nWidest + 2 * Margin - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(fontMetrics().averageCharWidth() * 2);
    m_bScrolling = false;
    if (count > 0)
        m_nTopSerial
            = rows().serialAt(DuzUdozuzeLogRow(qMin<qsizetype>(vertical->value(), count - 1)));
}

void DuzUdozuzeLogView::scrollContentsBy(int, int)
{
    const qsizetype count = rowCount();
    if (!m_bScrolling && count > 0) {
        QScrollBar *vertical = verticalScrollBar();
        m_nTopSerial
            = rows().serialAt(DuzUdozuzeLogRow(qMin<qsizetype>(vertical->value(), count - 1)));
        // Scrolling up by hand stops following; to the end, follows again.
        setFollow(vertical->value() == vertical->maximum());
    }
    viewport()->update();
}

void DuzUdozuzeLogView::setFollow(bool follow)
{
    if (follow == m_bFollow)
        return;
    m_bFollow = follow;
    if (follow && !m_bScrolling)
        updateScrollBars();
    emit followChanged(follow);
}

void DuzUdozuzeLogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void DuzUdozuzeLogView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollBars();
}

int DuzUdozuzeLogView::xOf(const QString &text, int column) const
{
    return Margin - horizontalScrollBar()->value()
        + fontMetrics().horizontalAdvance(text.left(column));
}

void DuzUdozuzeLogView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const int height = lineHeight();
    const int ascent = fontMetrics().ascent();
    const QPalette &colours = palette();
    const Position from = m_selection.from();
    const Position to = m_selection.to();
    const DuzUdozuzeLogRow end(rowCount());
    const DuzUdozuzeLogRow top = topRow();
    for (DuzUdozuzeLogRow row = top; row < end && (row - top) * height < viewport()->height();
         ++row) {
        const DuzUdozuzeLineSerial serial = rows().serialAt(row);
        const QString text = lineText(serial);
        const int y = int(row - top) * height;
        const int x = Margin - horizontalScrollBar()->value();
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(x, y + ascent, text);
        if (hasSelection() && from.serial <= serial && serial <= to.serial) {
            const int first = serial == from.serial ? from.column : 0;
            const int last = serial == to.serial ? to.column : int(text.size());
            // The line break of a selected line shows as a little room.
            const int left = xOf(text, first);
            const int right
                = xOf(text, last) + (serial != to.serial ? fontMetrics().averageCharWidth() : 0);
            painter.fillRect(QRect(left, y, right - left, height), colours.highlight());
            painter.setPen(colours.color(QPalette::HighlightedText));
            painter.drawText(left, y + ascent, text.mid(first, last - first));
        }
    }
}

DuzUdozuzeLogView::Position DuzUdozuzeLogView::positionAt(const QPoint &point) const
{
    const qsizetype count = rowCount();
    if (count == 0)
        return {m_store.endSerial(), 0};
    const DuzUdozuzeLogRow row = qBound(DuzUdozuzeLogRow(0), topRow() + point.y() / lineHeight(),
                                        DuzUdozuzeLogRow(count - 1));
    const DuzUdozuzeLineSerial serial = rows().serialAt(row);
    const QString text = lineText(serial);
    // The character whose middle is nearest left of the point, found by halves.
    int low = 0, high = int(text.size());
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        const int edge = (xOf(text, middle - 1) + xOf(text, middle)) / 2;
        if (edge <= point.x())
            low = middle;
        else
            high = middle - 1;
    }
    return {serial, low};
}

void DuzUdozuzeLogView::setCursorPosition(const Position &position, bool keepAnchor)
{
    const bool had = hasSelection();
    m_selection.setCursor(rows(), position, keepAnchor);
    cursorMoved(had);
}

void DuzUdozuzeLogView::cursorMoved(bool hadSelection)
{
    ensureVisible(m_selection.cursor());
    selectionChanged(hadSelection);
}

void DuzUdozuzeLogView::selectionChanged(bool hadSelection)
{
    viewport()->update();
    if (hadSelection != hasSelection())
        emit copyAvailable(hasSelection());
}

void DuzUdozuzeLogView::scrollToRow(DuzUdozuzeLogRow row)
{
    QScrollBar *vertical = verticalScrollBar();
    vertical->setValue(int(qBound<qsizetype>(0, row.value(), qsizetype(vertical->maximum()))));
}

void DuzUdozuzeLogView::ensureVisible(const Position &position)
{
    const DuzUdozuzeLogRow row = rows().rowOf(position.serial);
    if (row < topRow())
        scrollToRow(row);
    else if (row >= topRow() + visibleRows())
        scrollToRow(row - visibleRows() + 1);
    if (position.serial < m_store.firstSerial() || position.serial >= m_store.endSerial())
        return;
    const int x = xOf(lineText(position.serial), position.column) + horizontalScrollBar()->value();
    QScrollBar *horizontal = horizontalScrollBar();
    if (x - Margin < horizontal->value())
        horizontal->setValue(x - Margin);
    else if (x + Margin > horizontal->value() + viewport()->width())
        horizontal->setValue(x + Margin - viewport()->width());
}

QString DuzUdozuzeLogView::selectedText() const
{
    return QString::fromUtf8(selectedBytes());
}

QByteArray DuzUdozuzeLogView::selectedBytes() const
{
    return m_selection.bytes(rows());
}

// The clipboard takes the text as UTF-8, as the log keeps it, and as plain
// text beside it, which is what X11 programs that ask for UTF8_STRING or
// STRING (xterm) are given.
void DuzUdozuzeLogView::copy()
{
    if (!hasSelection())
        return;
    auto *data = new QMimeData;
    const QByteArray bytes = selectedBytes();
    data->setData(QStringLiteral("text/plain;charset=utf-8"), bytes);
    data->setText(QString::fromUtf8(bytes));
    QGuiApplication::clipboard()->setMimeData(data);
}

void DuzUdozuzeLogView::selectAll()
{
    const bool had = hasSelection();
    m_selection.selectAll(rows());
    selectionChanged(had);
}

void DuzUdozuzeLogView::clear()
{
    m_store.clear();
    m_search.restart();
    const bool had = hasSelection();
    m_selection.clear();
    m_nTopSerial = DuzUdozuzeLineSerial(0);
    m_nWidest = 0;
    m_nLongest = 0;
    refresh();
    selectionChanged(had);
}

void DuzUdozuzeLogView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    const bool had = hasSelection();
    if (m_selection.press(rows(), event->key(), event->modifiers(), visibleRows()))
        cursorMoved(had);
    else
        QAbstractScrollArea::keyPressEvent(event);
}

void DuzUdozuzeLogView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_bSelecting = true;
    setCursorPosition(positionAt(event->position().toPoint()),
                      event->modifiers() & Qt::ShiftModifier);
}

void DuzUdozuzeLogView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bSelecting)
        setCursorPosition(positionAt(event->position().toPoint()), true);
}

void DuzUdozuzeLogView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_bSelecting) {
        m_bSelecting = false;
        // The selection for a middle-click paste, where the system has one.
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (hasSelection() && clipboard->supportsSelection())
            clipboard->setText(selectedText(), QClipboard::Selection);
    }
}

// A double click selects the word under the pointer.
void DuzUdozuzeLogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || rowCount() == 0)
        return;
    const bool had = hasSelection();
    m_selection.selectWord(rows(), positionAt(event->position().toPoint()));
    ensureVisible(m_selection.anchor());
    cursorMoved(had);
}

void DuzUdozuzeLogView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("&Copy"), this, &DuzUdozuzeLogView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    menu.addAction(tr("Select &All"), this, &DuzUdozuzeLogView::selectAll)
        ->setShortcut(QKeySequence::SelectAll);
    menu.exec(event->globalPos());
}

bool DuzUdozuzeLogView::find(const QString &text, bool caseSensitive, bool backward)
{
    const std::optional<Position> found = m_search.find(
        text, caseSensitive, backward, backward ? m_selection.from() : m_selection.to());
    if (!found)
        return false;
    setCursorPosition(*found);
    setCursorPosition({found->serial, found->column + int(text.size())}, true);
    return true;
}

qsizetype DuzUdozuzeLogView::matchCount(const QString &text, bool caseSensitive)
{
    return m_search.matchCount(text, caseSensitive);
}

void DuzUdozuzeLogView::setFilter(const QString &text, bool caseSensitive)
{
    if (m_search.setFilter(text, caseSensitive))
        refresh();
}

// The filter found more rows, or looked further.
void DuzUdozuzeLogView::filterScanned()
{
    updateScrollBars();
    viewport()->update();
    emit rowsChanged();
}

QString DuzUdozuzeLogView::save(const QString &path) const
{
    return DuzUdozuzeLogFile::write(path, rows().runs(DuzUdozuzeLineSerial(0), rows().end()));
}
