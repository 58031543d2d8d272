// SPDX-License-Identifier: MIT
#include "app/duzudozuzelogview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <limits>

namespace {

// Room left of the text, as a text view leaves it.
constexpr int Margin = 4;

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

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
    m_scanTimer.setInterval(0);
    connect(&m_scanTimer, &QTimer::timeout, this, &DuzUdozuzeLogView::scanSlice);
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
    if (m_pFilter)
        return m_pFilter->lowerBound(m_nShownEnd);
    return qsizetype(m_nShownEnd - qMin(m_nShownEnd, m_store.firstSerial()));
}

quint64 DuzUdozuzeLogView::serialAt(qsizetype row) const
{
    return m_pFilter ? m_pFilter->at(row) : m_store.firstSerial() + quint64(row);
}

qsizetype DuzUdozuzeLogView::rowOf(quint64 serial) const
{
    if (m_pFilter)
        return m_pFilter->lowerBound(serial);
    return qsizetype(qMax(serial, m_store.firstSerial()) - m_store.firstSerial());
}

QString DuzUdozuzeLogView::lineText(quint64 serial) const
{
    return QString::fromUtf8(m_store.line(serial));
}

QString DuzUdozuzeLogView::rowText(qsizetype row) const
{
    return lineText(serialAt(row));
}

QString DuzUdozuzeLogView::toPlainText() const
{
    QStringList lines;
    for (qsizetype row = 0; row < rowCount(); ++row)
        lines.append(rowText(row));
    return lines.join(QLatin1Char('\n'));
}

qsizetype DuzUdozuzeLogView::topRow() const
{
    return verticalScrollBar()->value();
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
    m_nShownEnd = m_store.endSerial();
    scanSlice();
    // A selection into lines that were dropped starts at the oldest kept.
    m_anchor = clamped(m_anchor);
    m_cursor = clamped(m_cursor);
    updateScrollBars();
    viewport()->update();
    emit rowsChanged();
}

void DuzUdozuzeLogView::updateScrollBars()
{
    m_bScrolling = true;
    QScrollBar *vertical = verticalScrollBar();
    const qsizetype rows = rowCount();
    vertical->setRange(0, int(qMax<qsizetype>(0, rows - visibleRows())));
    vertical->setPageStep(visibleRows());
    vertical->setSingleStep(1);
    // Following, the newest line shows; otherwise the same line stays at the
    // top, wherever it now is.
    vertical->setValue(m_bFollow ? vertical->maximum() : int(rowOf(m_nTopSerial)));
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, qMax(0, m_nWidest + 2 * Margin - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(fontMetrics().averageCharWidth() * 2);
    m_bScrolling = false;
    if (rows > 0)
        m_nTopSerial = serialAt(qMin<qsizetype>(vertical->value(), rows - 1));
}

void DuzUdozuzeLogView::scrollContentsBy(int, int)
{
    const qsizetype rows = rowCount();
    if (!m_bScrolling && rows > 0) {
        QScrollBar *vertical = verticalScrollBar();
        m_nTopSerial = serialAt(qMin<qsizetype>(vertical->value(), rows - 1));
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
    const Position from = qMin(m_anchor, m_cursor);
    const Position to = qMax(m_anchor, m_cursor);
    const qsizetype rows = rowCount();
    const qsizetype top = topRow();
    for (qsizetype row = top; row < rows && (row - top) * height < viewport()->height(); ++row) {
        const quint64 serial = serialAt(row);
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

DuzUdozuzeLogView::Position DuzUdozuzeLogView::clamped(const Position &position) const
{
    if (position.serial >= m_store.firstSerial() && position.serial < m_store.endSerial())
        return position;
    if (m_store.isEmpty())
        return {m_store.endSerial(), 0};
    if (position.serial < m_store.firstSerial())
        return {m_store.firstSerial(), 0};
    return {m_store.endSerial() - 1, int(lineText(m_store.endSerial() - 1).size())};
}

DuzUdozuzeLogView::Position DuzUdozuzeLogView::positionAt(const QPoint &point) const
{
    const qsizetype rows = rowCount();
    if (rows == 0)
        return {m_store.endSerial(), 0};
    const qsizetype row = qBound<qsizetype>(0, topRow() + point.y() / lineHeight(), rows - 1);
    const quint64 serial = serialAt(row);
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
    m_cursor = clamped(position);
    if (!keepAnchor)
        m_anchor = m_cursor;
    ensureVisible(m_cursor);
    selectionChanged(had);
}

void DuzUdozuzeLogView::selectionChanged(bool hadSelection)
{
    viewport()->update();
    if (hadSelection != hasSelection())
        emit copyAvailable(hasSelection());
}

void DuzUdozuzeLogView::scrollToRow(qsizetype row)
{
    QScrollBar *vertical = verticalScrollBar();
    vertical->setValue(int(qBound<qsizetype>(0, row, qsizetype(vertical->maximum()))));
}

void DuzUdozuzeLogView::ensureVisible(const Position &position)
{
    const qsizetype row = rowOf(position.serial);
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
    if (!hasSelection())
        return {};
    const Position from = qMin(m_anchor, m_cursor);
    const Position to = qMax(m_anchor, m_cursor);
    const QString first = lineText(from.serial);
    if (from.serial == to.serial)
        return QStringView(first).mid(from.column, to.column - from.column).toUtf8();
    // The whole lines between as the store's bytes, one run a chunk where
    // every line shows.
    QList<QByteArrayView> between;
    if (!m_pFilter) {
        between = m_store.runs(from.serial + 1, to.serial);
    } else {
        for (qsizetype row = rowOf(from.serial + 1); row < rowCount() && serialAt(row) < to.serial;
             ++row)
            between << m_store.line(serialAt(row)) << QByteArrayView("\n", 1);
    }
    const QByteArray head = QStringView(first).mid(from.column).toUtf8();
    const QByteArray tail = QStringView(lineText(to.serial)).left(to.column).toUtf8();
    qsizetype size = head.size() + 1 + tail.size();
    for (const QByteArrayView run : between)
        size += run.size();
    QByteArray bytes;
    bytes.reserve(size);
    bytes += head;
    bytes += '\n';
    for (const QByteArrayView run : between)
        bytes += run;
    bytes += tail;
    return bytes;
}

// The clipboard takes the text as UTF-8, as the log keeps it: a million
// lines are not turned into UTF-16 unless a reader asks for that.
void DuzUdozuzeLogView::copy()
{
    if (!hasSelection())
        return;
    auto *data = new QMimeData;
    data->setData(QStringLiteral("text/plain;charset=utf-8"), selectedBytes());
    QGuiApplication::clipboard()->setMimeData(data);
}

void DuzUdozuzeLogView::selectAll()
{
    const qsizetype rows = rowCount();
    if (rows == 0)
        return;
    const bool had = hasSelection();
    m_anchor = {serialAt(0), 0};
    const quint64 last = serialAt(rows - 1);
    m_cursor = {last, int(lineText(last).size())};
    selectionChanged(had);
}

void DuzUdozuzeLogView::clear()
{
    m_store.clear();
    if (m_pFilter) {
        m_pFilter = std::make_unique<DuzUdozuzeLineIndex>(m_store, m_strFilterText.toUtf8(),
                                                          m_pFilter->caseSensitive());
    }
    m_pFind.reset();
    const bool had = hasSelection();
    m_anchor = m_cursor = {};
    m_nTopSerial = 0;
    m_nShownEnd = 0;
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
    const qsizetype rows = rowCount();
    if (rows == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    Position position = clamped(m_cursor);
    qsizetype row = rowOf(position.serial);
    const auto length = [this](quint64 serial) { return int(lineText(serial).size()); };
    const auto toRow = [&](qsizetype target, int column) {
        const quint64 serial = serialAt(qBound<qsizetype>(0, target, rows - 1));
        return Position {serial, qMin(column, length(serial))};
    };
    switch (event->key()) {
    case Qt::Key_Up:
        position = toRow(row - 1, position.column);
        break;
    case Qt::Key_Down:
        position = toRow(row + 1, position.column);
        break;
    case Qt::Key_PageUp:
        position = toRow(row - visibleRows(), position.column);
        break;
    case Qt::Key_PageDown:
        position = toRow(row + visibleRows(), position.column);
        break;
    case Qt::Key_Left:
        if (position.column > 0)
            position.column -= 1;
        else if (row > 0)
            position = toRow(row - 1, INT_MAX);
        break;
    case Qt::Key_Right:
        if (position.column < length(position.serial))
            position.column += 1;
        else if (row + 1 < rows)
            position = toRow(row + 1, 0);
        break;
    case Qt::Key_Home:
        position = control ? toRow(0, 0) : Position {position.serial, 0};
        break;
    case Qt::Key_End:
        position = control ? toRow(rows - 1, INT_MAX)
                           : Position {position.serial, length(position.serial)};
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    setCursorPosition(position, extend);
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
    const Position at = positionAt(event->position().toPoint());
    const QString text = lineText(at.serial);
    int first = qMin(at.column, int(text.size()));
    int last = first;
    while (first > 0 && isWordCharacter(text.at(first - 1)))
        --first;
    while (last < text.size() && isWordCharacter(text.at(last)))
        ++last;
    if (first == last && last < text.size())
        ++last; // not a word: the character itself
    setCursorPosition({at.serial, first});
    setCursorPosition({at.serial, last}, true);
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

DuzUdozuzeLineIndex &DuzUdozuzeLogView::findIndex(const QString &text, bool caseSensitive)
{
    if (!m_pFind || m_strFindText != text || m_pFind->caseSensitive() != caseSensitive) {
        m_strFindText = text;
        m_pFind = std::make_unique<DuzUdozuzeLineIndex>(m_store, text.toUtf8(), caseSensitive);
        m_scanTimer.start();
    }
    return *m_pFind;
}

bool DuzUdozuzeLogView::find(const QString &text, bool caseSensitive, bool backward)
{
    if (text.isEmpty() || rowCount() == 0)
        return false;
    DuzUdozuzeLineIndex &index = findIndex(text, caseSensitive);
    index.scan(std::numeric_limits<qsizetype>::max());
    const qsizetype count = index.count();
    if (count == 0)
        return false;
    // The matching lines from the one of the selection on (or back), round
    // to it again from the other end; in that line, only the matches past
    // the selection (or before it) the first time.
    const Position from = backward ? qMin(m_anchor, m_cursor) : qMax(m_anchor, m_cursor);
    qsizetype start = index.lowerBound(from.serial);
    if (backward && (start == count || index.at(start) != from.serial))
        --start;
    const int length = int(text.size());
    for (qsizetype step = 0; step <= count; ++step) {
        const qsizetype entry = ((backward ? start - step : start + step) % count + count) % count;
        const quint64 serial = index.at(entry);
        if (!isShown(serial))
            continue;
        const QByteArrayView bytes = m_store.line(serial);
        QList<int> columns;
        for (qsizetype at = 0; (at = index.indexIn(bytes, at)) >= 0; ++at)
            columns.append(int(QString::fromUtf8(bytes.first(at)).size()));
        if (backward)
            std::reverse(columns.begin(), columns.end());
        for (const int column : columns) {
            if (step == 0 && serial == from.serial
                && (backward ? column >= from.column : column < from.column))
                continue;
            setCursorPosition({serial, column});
            setCursorPosition({serial, column + length}, true);
            return true;
        }
    }
    return false;
}

qsizetype DuzUdozuzeLogView::matchCount(const QString &text, bool caseSensitive)
{
    if (text.isEmpty())
        return 0;
    DuzUdozuzeLineIndex &index = findIndex(text, caseSensitive);
    return index.isComplete() ? index.count() : -1;
}

void DuzUdozuzeLogView::setFilter(const QString &text, bool caseSensitive)
{
    if (text.isEmpty()) {
        if (!m_pFilter)
            return;
        m_pFilter.reset();
    } else {
        m_strFilterText = text;
        m_pFilter = std::make_unique<DuzUdozuzeLineIndex>(m_store, text.toUtf8(), caseSensitive);
        m_scanTimer.start();
    }
    refresh();
}

QString DuzUdozuzeLogView::filterText() const
{
    return m_pFilter ? m_strFilterText : QString();
}

bool DuzUdozuzeLogView::isShown(quint64 serial) const
{
    if (!m_pFilter)
        return true;
    const qsizetype row = m_pFilter->lowerBound(serial);
    return row < m_pFilter->count() && m_pFilter->at(row) == serial;
}

bool DuzUdozuzeLogView::filterComplete() const
{
    return !m_pFilter || m_pFilter->isComplete();
}

// One slice of each search still under way; the timer comes back for more.
void DuzUdozuzeLogView::scanSlice()
{
    bool done = true;
    if (m_pFilter && !m_pFilter->isComplete()) {
        const bool complete = m_pFilter->scan(SliceBytes);
        done = done && complete;
        updateScrollBars();
        viewport()->update();
        emit rowsChanged();
    }
    if (m_pFind && !m_pFind->isComplete()) {
        const bool complete = m_pFind->scan(SliceBytes);
        done = done && complete;
        if (complete)
            emit matchesCounted();
    }
    if (done)
        m_scanTimer.stop();
    else if (!m_scanTimer.isActive())
        m_scanTimer.start();
}

QString DuzUdozuzeLogView::save(const QString &path) const
{
    // The new file is renamed over the old one: whatever else stands at path
    // (or where a link there points) would be replaced by a file, never
    // written to.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return tr("It is not a regular file (a device, a FIFO, a folder or a socket): nothing "
                  "was replaced.");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    bool written = true;
    if (!m_pFilter) {
        // The store's bytes as they are.
        for (const QByteArrayView run : m_store.runs(m_store.firstSerial(), m_store.endSerial())) {
            if (!(written = file.write(run.data(), run.size()) >= 0))
                break;
        }
    } else {
        for (qsizetype row = 0; written && row < rowCount(); ++row) {
            const QByteArrayView line = m_store.line(serialAt(row));
            written = file.write(line.data(), line.size()) >= 0 && file.putChar('\n');
        }
    }
    // A failure of the last buffered write shows only in the flush; the file
    // is replaced only when every byte is out.
    written = written && file.flush();
    const QString error = file.errorString();
    if (!written)
        file.cancelWriting();
    if (!file.commit())
        return written ? file.errorString() : error;
    return {};
}
