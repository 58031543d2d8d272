// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGSEARCH_H
#define DUZUDOZUZELOGSEARCH_H

#include "common/duzudozuzelineindex.h"
#include "common/duzudozuzelogrows.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

// Find's search and the filter's over the log's lines, and the rows the
// filter leaves: all the lines while there is none. Neither search holds the
// event loop up for long: each looks through the lines a slice at a time
// from a timer, then through new lines as the store takes them.
class DuzUdozuzeLogSearch : public QObject
{
    Q_OBJECT

public:
    explicit DuzUdozuzeLogSearch(const DuzUdozuzeLineStore &store, QObject *parent = nullptr);
    ~DuzUdozuzeLogSearch() override;

    const DuzUdozuzeLogRows &rows() const { return *m_pRows; }
    DuzUdozuzeLogRows &rows() { return *m_pRows; }

    // The rows become the lines that contain text (none: all the lines).
    // False when nothing changed.
    bool setFilter(const QString &text, bool caseSensitive);
    QString filterText() const;
    // Whether the filter has looked at every line yet.
    bool filterComplete() const;

    // The start of the next match of text among the rows from position on
    // (or back), round from the other end; in position's line, only a match
    // past it (or before it) the first time round.
    std::optional<DuzUdozuzeLogPosition> find(const QString &text, bool caseSensitive,
                                              bool backward, const DuzUdozuzeLogPosition &position);
    // The lines of the whole store that contain text, or -1 while they are
    // still being counted (matchesCounted() comes then).
    qsizetype matchCount(const QString &text, bool caseSensitive);

    // The store was cleared: the filter starts again, Find forgets.
    void restart();
    // One slice of each search still under way; the timer comes back for more.
    void scanSlice();

signals:
    // The filter has looked at more lines: the rows may have changed.
    void filterScanned();
    void matchesCounted();

private:
    DuzUdozuzeLineIndex &findIndex(const QString &text, bool caseSensitive);
    void setFilterIndex(std::unique_ptr<DuzUdozuzeLineIndex> index);

    // Bytes of lines one slice of a search looks through: a few
    // milliseconds' work.
    static constexpr qsizetype SliceBytes = 8 << 20;

    const DuzUdozuzeLineStore &m_store;
    std::unique_ptr<DuzUdozuzeLineIndex> m_pFilter;
    std::unique_ptr<DuzUdozuzeLogRows> m_pRows; // over m_pFilter, where there is one
    std::unique_ptr<DuzUdozuzeLineIndex> m_pFind;
    QString m_strFilterText;
    QString m_strFindText;
    QTimer m_scanTimer;
};

#endif // DUZUDOZUZELOGSEARCH_H
