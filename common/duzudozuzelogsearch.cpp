// SPDX-License-Identifier: MIT
#include "common/duzudozuzelogsearch.h"

#include <algorithm>
#include <limits>

DuzUdozuzeLogSearch::DuzUdozuzeLogSearch(const DuzUdozuzeLineStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_pRows(std::make_unique<DuzUdozuzeAllRows>(store))
{
    m_scanTimer.setInterval(0);
    connect(&m_scanTimer, &QTimer::timeout, this, &DuzUdozuzeLogSearch::scanSlice);
}

DuzUdozuzeLogSearch::~DuzUdozuzeLogSearch() = default;

// The rows are made anew over the filter's index (or over every line where
// there is none), and end where the old ones did.
void DuzUdozuzeLogSearch::setFilterIndex(std::unique_ptr<DuzUdozuzeLineIndex> index)
{
    const DuzUdozuzeLineSerial end = m_pRows->end();
    m_pRows.reset();
    m_pFilter = std::move(index);
    if (m_pFilter)
        m_pRows = std::make_unique<DuzUdozuzeFilteredRows>(m_store, *m_pFilter);
    else
        m_pRows = std::make_unique<DuzUdozuzeAllRows>(m_store);
    m_pRows->setEnd(end);
}

bool DuzUdozuzeLogSearch::setFilter(const QString &text, bool caseSensitive)
{
    if (text.isEmpty()) {
        if (!m_pFilter)
            return false;
        setFilterIndex(nullptr);
    } else {
        m_strFilterText = text;
        setFilterIndex(
            std::make_unique<DuzUdozuzeLineIndex>(m_store, text.toUtf8(), caseSensitive));
        m_scanTimer.start();
    }
    return true;
}

QString DuzUdozuzeLogSearch::filterText() const
{
    return m_pFilter ? m_strFilterText : QString();
}

bool DuzUdozuzeLogSearch::filterComplete() const
{
    return !m_pFilter || m_pFilter->isComplete();
}

void DuzUdozuzeLogSearch::restart()
{
    if (m_pFilter) {
        setFilterIndex(std::make_unique<DuzUdozuzeLineIndex>(m_store, m_strFilterText.toUtf8(),
                                                             m_pFilter->caseSensitive()));
    }
    m_pFind.reset();
}

DuzUdozuzeLineIndex &DuzUdozuzeLogSearch::findIndex(const QString &text, bool caseSensitive)
{
    if (!m_pFind || m_strFindText != text || m_pFind->caseSensitive() != caseSensitive) {
        m_strFindText = text;
        m_pFind = std::make_unique<DuzUdozuzeLineIndex>(m_store, text.toUtf8(), caseSensitive);
        m_scanTimer.start();
    }
    return *m_pFind;
}

std::optional<DuzUdozuzeLogPosition>
DuzUdozuzeLogSearch::find(const QString &text, bool caseSensitive, bool backward,
                          const DuzUdozuzeLogPosition &position)
{
    if (text.isEmpty() || m_pRows->count() == 0)
        return std::nullopt;
    DuzUdozuzeLineIndex &index = findIndex(text, caseSensitive);
    index.scan(std::numeric_limits<qsizetype>::max());
    const qsizetype count = index.count();
    if (count == 0)
        return std::nullopt;
    // The matching lines from position's on (or back), round to it again
    // from the other end.
    qsizetype start = index.lowerBound(position.serial);
    if (backward && (start == count || index.at(start) != position.serial))
        --start;
    for (qsizetype step = 0; step <= count; ++step) {
        const qsizetype entry = ((backward ? start - step : start + step) % count + count) % count;
        const DuzUdozuzeLineSerial serial = index.at(entry);
        if (!m_pRows->contains(serial))
            continue;
        const QByteArrayView bytes = m_store.line(serial);
        QList<int> columns;
        for (qsizetype at = 0; (at = index.indexIn(bytes, at)) >= 0; ++at)
            columns.append(int(QString::fromUtf8(bytes.first(at)).size()));
        if (backward)
            std::reverse(columns.begin(), columns.end());
        for (const int column : columns) {
            if (step == 0 && serial == position.serial
                && (backward ? column >= position.column : column < position.column))
                continue;
            return DuzUdozuzeLogPosition {serial, column};
        }
    }
    return std::nullopt;
}

qsizetype DuzUdozuzeLogSearch::matchCount(const QString &text, bool caseSensitive)
{
    if (text.isEmpty())
        return 0;
    DuzUdozuzeLineIndex &index = findIndex(text, caseSensitive);
    return index.isComplete() ? index.count() : -1;
}

void DuzUdozuzeLogSearch::scanSlice()
{
    bool done = true;
    if (m_pFilter && !m_pFilter->isComplete()) {
        const bool complete = m_pFilter->scan(SliceBytes);
        done = done && complete;
        emit filterScanned();
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
