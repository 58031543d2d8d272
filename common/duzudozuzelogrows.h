// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGROWS_H
#define DUZUDOZUZELOGROWS_H

#include "common/duzudozuzelineindex.h"
#include "common/duzudozuzelinestore.h"
#include "common/duzudozuzelogrow.h"

#include <QList>
#include <QString>

#include <type_traits>

// A row is never taken for a serial number, nor a serial for a row, nor a
// bare number for either.
static_assert(!std::is_constructible_v<DuzUdozuzeLineSerial, DuzUdozuzeLogRow>);
static_assert(!std::is_constructible_v<DuzUdozuzeLogRow, DuzUdozuzeLineSerial>);
static_assert(!std::is_convertible_v<quint64, DuzUdozuzeLineSerial>);
static_assert(!std::is_convertible_v<qsizetype, DuzUdozuzeLogRow>);

// A place in the log: a line by its serial number, and a character in it.
struct DuzUdozuzeLogPosition
{
    DuzUdozuzeLineSerial serial;
    int column = 0;
    bool operator==(const DuzUdozuzeLogPosition &other) const
    {
        return serial == other.serial && column == other.column;
    }
    bool operator<(const DuzUdozuzeLogPosition &other) const
    {
        return serial < other.serial || (serial == other.serial && column < other.column);
    }
};

// The rows of the log view: lines of the store by row number. All the lines
// are rows, or only those a filter found; the view, Find, the selection, Copy
// and Save Log go through this and never ask which. The rows end at the
// store's end as of the last refresh: lines come in at once and are shown
// together a moment later.
class DuzUdozuzeLogRows
{
public:
    explicit DuzUdozuzeLogRows(const DuzUdozuzeLineStore &store) : m_store(store) { }
    virtual ~DuzUdozuzeLogRows() = default;
    DuzUdozuzeLogRows(const DuzUdozuzeLogRows &) = delete;
    DuzUdozuzeLogRows &operator=(const DuzUdozuzeLogRows &) = delete;

    const DuzUdozuzeLineStore &store() const { return m_store; }
    // One past the last line shown.
    DuzUdozuzeLineSerial end() const { return m_nEnd; }
    void setEnd(DuzUdozuzeLineSerial end) { m_nEnd = end; }

    [[nodiscard]] virtual qsizetype count() const = 0;
    // The line of a row in [0, count()).
    [[nodiscard]] virtual DuzUdozuzeLineSerial serialAt(DuzUdozuzeLogRow row) const = 0;
    // The row of a line, or of the first row after it.
    [[nodiscard]] virtual DuzUdozuzeLogRow rowOf(DuzUdozuzeLineSerial serial) const = 0;
    // Whether a line of the store is one of these rows, shown already or at
    // the next refresh.
    [[nodiscard]] virtual bool contains(DuzUdozuzeLineSerial serial) const = 0;
    // Those of the lines [begin, end) that are rows, each with its line
    // break, as runs of bytes: whole chunks at once where every line is one.
    // Copy and Save Log both write this.
    [[nodiscard]] virtual QList<QByteArrayView> runs(DuzUdozuzeLineSerial begin,
                                                     DuzUdozuzeLineSerial end) const = 0;

    // The text of a line of the store.
    QString text(DuzUdozuzeLineSerial serial) const
    {
        return QString::fromUtf8(m_store.line(serial));
    }

protected:
    const DuzUdozuzeLineStore &m_store;
    DuzUdozuzeLineSerial m_nEnd;
};

// Every line of the store is a row.
class DuzUdozuzeAllRows : public DuzUdozuzeLogRows
{
public:
    using DuzUdozuzeLogRows::DuzUdozuzeLogRows;

    qsizetype count() const override;
    DuzUdozuzeLineSerial serialAt(DuzUdozuzeLogRow row) const override;
    DuzUdozuzeLogRow rowOf(DuzUdozuzeLineSerial serial) const override;
    bool contains(DuzUdozuzeLineSerial serial) const override;
    QList<QByteArrayView> runs(DuzUdozuzeLineSerial begin, DuzUdozuzeLineSerial end) const override;
};

// The lines a filter's search has found so far are the rows.
class DuzUdozuzeFilteredRows : public DuzUdozuzeLogRows
{
public:
    DuzUdozuzeFilteredRows(const DuzUdozuzeLineStore &store, const DuzUdozuzeLineIndex &index)
        : DuzUdozuzeLogRows(store), m_index(index)
    { }

    qsizetype count() const override;
    DuzUdozuzeLineSerial serialAt(DuzUdozuzeLogRow row) const override;
    DuzUdozuzeLogRow rowOf(DuzUdozuzeLineSerial serial) const override;
    bool contains(DuzUdozuzeLineSerial serial) const override;
    QList<QByteArrayView> runs(DuzUdozuzeLineSerial begin, DuzUdozuzeLineSerial end) const override;

private:
    const DuzUdozuzeLineIndex &m_index;
};

#endif // DUZUDOZUZELOGROWS_H
