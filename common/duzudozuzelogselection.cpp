// SPDX-License-Identifier: MIT
#include "common/duzudozuzelogselection.h"

#include <QTextBoundaryFinder>

#include <climits>

namespace {

int length(const DuzUdozuzeLogRows &rows, DuzUdozuzeLineSerial serial)
{
    return int(rows.text(serial).size());
}

} // namespace

DuzUdozuzeLogSelection::Position DuzUdozuzeLogSelection::clamped(const DuzUdozuzeLineStore &store,
                                                                 const Position &position)
{
    if (position.serial >= store.firstSerial() && position.serial < store.endSerial())
        return position;
    if (store.isEmpty())
        return {store.endSerial(), 0};
    if (position.serial < store.firstSerial())
        return {store.firstSerial(), 0};
    const DuzUdozuzeLineSerial last = store.endSerial() - 1;
    return {last, int(QString::fromUtf8(store.line(last)).size())};
}

void DuzUdozuzeLogSelection::clamp(const DuzUdozuzeLineStore &store)
{
    m_anchor = clamped(store, m_anchor);
    m_cursor = clamped(store, m_cursor);
}

void DuzUdozuzeLogSelection::setCursor(const DuzUdozuzeLogRows &rows, const Position &position,
                                       bool keepAnchor)
{
    m_cursor = clamped(rows.store(), position);
    if (!keepAnchor)
        m_anchor = m_cursor;
}

bool DuzUdozuzeLogSelection::press(const DuzUdozuzeLogRows &rows, int key,
                                   Qt::KeyboardModifiers modifiers, qsizetype page)
{
    const qsizetype count = rows.count();
    if (count == 0)
        return false;
    const bool control = modifiers & Qt::ControlModifier;
    Position position = clamped(rows.store(), m_cursor);
    const DuzUdozuzeLogRow row = rows.rowOf(position.serial);
    const DuzUdozuzeLogRow first(0);
    const DuzUdozuzeLogRow last(count - 1);
    const auto toRow = [&rows, first, last](DuzUdozuzeLogRow target, int column) {
        const DuzUdozuzeLineSerial serial = rows.serialAt(qBound(first, target, last));
        return Position {serial, qMin(column, length(rows, serial))};
    };
    switch (key) {
    case Qt::Key_Up:
        position = toRow(row - 1, position.column);
        break;
    case Qt::Key_Down:
        position = toRow(row + 1, position.column);
        break;
    case Qt::Key_PageUp:
        position = toRow(row - page, position.column);
        break;
    case Qt::Key_PageDown:
        position = toRow(row + page, position.column);
        break;
    case Qt::Key_Left:
        if (position.column > 0)
            position.column -= 1;
        else if (row > first)
            position = toRow(row - 1, INT_MAX);
        break;
    case Qt::Key_Right:
        if (position.column < length(rows, position.serial))
            position.column += 1;
        else if (row < last)
            position = toRow(row + 1, 0);
        break;
    case Qt::Key_Home:
        position = control ? toRow(first, 0) : Position {position.serial, 0};
        break;
    case Qt::Key_End:
        position = control ? toRow(last, INT_MAX)
                           : Position {position.serial, length(rows, position.serial)};
        break;
    default:
        return false;
    }
    setCursor(rows, position, modifiers & Qt::ShiftModifier);
    return true;
}

// Words as Unicode has them (an address or a number with its points is one).
void DuzUdozuzeLogSelection::selectWord(const DuzUdozuzeLogRows &rows, const Position &position)
{
    const QString text = rows.text(position.serial);
    const int column = qMin(position.column, int(text.size()));
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, text);
    words.setPosition(column);
    if (!words.isAtBoundary())
        words.toPreviousBoundary();
    int first = column;
    int last = column;
    if (words.boundaryReasons() & QTextBoundaryFinder::StartOfItem) {
        first = int(words.position());
        last = int(words.toNextBoundary());
    } else if (words.position() == column
               && (words.boundaryReasons() & QTextBoundaryFinder::EndOfItem)) {
        first = int(words.toPreviousBoundary());
    } else if (column < text.size()) {
        last = column + 1; // not a word: the character itself
    }
    setCursor(rows, {position.serial, first}, false);
    setCursor(rows, {position.serial, last}, true);
}

void DuzUdozuzeLogSelection::selectAll(const DuzUdozuzeLogRows &rows)
{
    const qsizetype count = rows.count();
    if (count == 0)
        return;
    m_anchor = {rows.serialAt(DuzUdozuzeLogRow(0)), 0};
    const DuzUdozuzeLineSerial last = rows.serialAt(DuzUdozuzeLogRow(count - 1));
    m_cursor = {last, length(rows, last)};
}

QByteArray DuzUdozuzeLogSelection::bytes(const DuzUdozuzeLogRows &rows) const
{
    if (!hasSelection())
        return {};
    const Position start = from();
    const Position end = to();
    const QString first = rows.text(start.serial);
    if (start.serial == end.serial)
        return QStringView(first).mid(start.column, end.column - start.column).toUtf8();
    const QList<QByteArrayView> between = rows.runs(start.serial + 1, end.serial);
    const QByteArray head = QStringView(first).mid(start.column).toUtf8();
    const QByteArray tail = QStringView(rows.text(end.serial)).left(end.column).toUtf8();
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
