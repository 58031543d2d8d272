// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGSELECTION_H
#define DUZUDOZUZELOGSELECTION_H

#include "common/duzudozuzelogrows.h"

#include <QByteArray>
#include <QtCore/qnamespace.h>

// What is selected in the log, as a text view has it: the text from the
// anchor, where the selection began, to the cursor, which the mouse and the
// keys move; nothing where the two meet. Positions stay on lines the store
// keeps: one on a line the limit has dropped moves to the oldest kept.
class DuzUdozuzeLogSelection
{
public:
    using Position = DuzUdozuzeLogPosition;

    bool hasSelection() const { return !(m_anchor == m_cursor); }
    Position anchor() const { return m_anchor; }
    Position cursor() const { return m_cursor; }
    // The start and the end of the selection, whichever way it was made.
    Position from() const { return qMin(m_anchor, m_cursor); }
    Position to() const { return qMax(m_anchor, m_cursor); }

    // Puts the cursor there, and the anchor with it unless keepAnchor.
    void setCursor(const DuzUdozuzeLogRows &rows, const Position &position, bool keepAnchor);
    // Moves the cursor among the rows as a text view's keys do: the arrows,
    // Page Up and Down (page rows), Home and End (with Control: of the log);
    // with Shift the anchor stays. False for any other key.
    bool press(const DuzUdozuzeLogRows &rows, int key, Qt::KeyboardModifiers modifiers,
               qsizetype page);
    // The word at position: the one it is in, or that ends there, else the
    // character after it.
    void selectWord(const DuzUdozuzeLogRows &rows, const Position &position);
    void selectAll(const DuzUdozuzeLogRows &rows);
    void clear() { m_anchor = m_cursor = {}; }
    // Moves both ends off lines the store has dropped since.
    void clamp(const DuzUdozuzeLineStore &store);

    // The text selected as UTF-8, lines joined by line breaks; of the lines
    // between its first and last, only the rows.
    [[nodiscard]] QByteArray bytes(const DuzUdozuzeLogRows &rows) const;

private:
    static Position clamped(const DuzUdozuzeLineStore &store, const Position &position);

    Position m_anchor;
    Position m_cursor;
};

#endif // DUZUDOZUZELOGSELECTION_H
