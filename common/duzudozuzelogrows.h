// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGROWS_H
#define DUZUDOZUZELOGROWS_H

#include "common/duzudozuzelineindex.h"
#include "common/duzudozuzelinestore.h"

#include <QList>
#include <QString>

// A place in the log: a line by its serial number, and a character in it.
struct DuzUdozuzeLogPosition
{
    quint64 serial = 0;
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
    quint64 end() const { return m_nEnd; }
    void setEnd(quint64 end) { m_nEnd = end; }

    [[nodiscard]] virtual qsizetype count() const = 0;
    // The line of a row in [0, count()).
    [[nodiscard]] virtual quint64 serialAt(qsizetype row) const = 0;
    // The row of a line, or of the first row after it.
    [[nodiscard]] virtual qsizetype rowOf(quint64 serial) const = 0;
    // Whether a line of the store is one of these rows, shown already or at
    // the next refresh.
    [[nodiscard]] virtual bool contains(quint64 serial) const = 0;
    // Those of the lines [begin, end) that are rows, each with its line
    // break, as runs of bytes: whole chunks at once where every line is one.
    // Copy and Save Log both write this.
    [[nodiscard]] virtual QList<QByteArrayView> runs(quint64 begin, quint64 end) const = 0;

    // The text of a line of the store.
    QString text(quint64 serial) const { return QString::fromUtf8(m_store.line(serial)); }

protected:
    const DuzUdozuzeLineStore &m_store;
    quint64 m_nEnd = 0;
};

// Every line of the store is a row.
class DuzUdozuzeAllRows : public DuzUdozuzeLogRows
{
public:
    using DuzUdozuzeLogRows::DuzUdozuzeLogRows;

    qsizetype count() const override;
    quint64 serialAt(qsizetype row) const override;
    qsizetype rowOf(quint64 serial) const override;
    bool contains(quint64 serial) const override;
    QList<QByteArrayView> runs(quint64 begin, quint64 end) const override;
};

// The lines a filter's search has found so far are the rows.
class DuzUdozuzeFilteredRows : public DuzUdozuzeLogRows
{
public:
    DuzUdozuzeFilteredRows(const DuzUdozuzeLineStore &store, const DuzUdozuzeLineIndex &index)
        : DuzUdozuzeLogRows(store), m_index(index)
    { }

    qsizetype count() const override;
    quint64 serialAt(qsizetype row) const override;
    qsizetype rowOf(quint64 serial) const override;
    bool contains(quint64 serial) const override;
    QList<QByteArrayView> runs(quint64 begin, quint64 end) const override;

private:
    const DuzUdozuzeLineIndex &m_index;
};

#endif // DUZUDOZUZELOGROWS_H
