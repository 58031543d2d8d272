// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGVIEW_H
#define DUZUDOZUZELOGVIEW_H

#include "common/duzudozuzelinestore.h"
#include "common/duzudozuzelogsearch.h"
#include "common/duzudozuzelogselection.h"

#include <QAbstractScrollArea>
#include <QTimer>

// The log: a read-only view over a line store that lays out and paints only
// the rows it shows, however many the store holds. Lines are appended to the
// store at once and shown together at the next refresh, a moment later. It
// selects text with the mouse and the keys as a text view does, copies it,
// follows new lines (or keeps its place while the oldest are dropped), finds
// a text, and can show only the lines that contain one (the filter). The
// rows, the searches and the selection are pieces of their own; the view
// paints them and takes the input.
class DuzUdozuzeLogView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    using Position = DuzUdozuzeLogPosition;

    // How long appended lines wait before they are shown.
    static constexpr int RefreshInterval = 100; // ms

    explicit DuzUdozuzeLogView(QWidget *parent = nullptr);
    ~DuzUdozuzeLogView() override;

    // The most lines kept; 0 for no limit.
    void setMaxLines(qsizetype maxLines);
    void appendLine(const QString &line);
    const DuzUdozuzeLineStore &store() const { return m_store; }
    // Lines the limit has dropped since the view was last cleared.
    quint64 linesDropped() const { return m_store.dropped(); }

    // The lines shown: all, or those that pass the filter.
    qsizetype rowCount() const;
    QString rowText(DuzUdozuzeLogRow row) const;
    QString toPlainText() const;
    // The row of the first line shown at the top.
    DuzUdozuzeLogRow topRow() const;
    // The rows shown after the last one in sight that are lines from serial
    // on: the lines following would bring into sight.
    qsizetype rowsBelowFrom(DuzUdozuzeLineSerial serial) const;

    bool hasSelection() const { return m_selection.hasSelection(); }
    QString selectedText() const;
    Position cursorPosition() const { return m_selection.cursor(); }
    void setCursorPosition(const Position &position, bool keepAnchor = false);

    // Finds text from the cursor on (or back), round from the other end,
    // among the lines shown; selects the match and shows it.
    bool find(const QString &text, bool caseSensitive, bool backward);
    // The lines of the whole log that contain text, or -1 while they are
    // still being counted (matchesCounted() comes then).
    qsizetype matchCount(const QString &text, bool caseSensitive);

    // Shows only the lines that contain text (none: all the lines), new
    // lines included; the line at the top stays where it can.
    void setFilter(const QString &text, bool caseSensitive);
    QString filterText() const { return m_search.filterText(); }
    // Whether the filter has looked at every line yet.
    bool filterComplete() const { return m_search.filterComplete(); }

    // Writes the lines shown to path, one a line, as UTF-8, replacing the file
    // only when all of it is written; only a regular file or a new name is
    // written. Returns the error, or empty on success.
    QString save(const QString &path) const;

public slots:
    // Shows what came since the last refresh.
    void refresh();
    void clear();
    void copy();
    void selectAll();
    void setFollow(bool follow);

signals:
    void copyAvailable(bool available);
    void followChanged(bool follow);
    // The rows shown, or the lines behind them, changed.
    void rowsChanged();
    void matchesCounted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    const DuzUdozuzeLogRows &rows() const { return m_search.rows(); }
    QString lineText(DuzUdozuzeLineSerial serial) const { return rows().text(serial); }
    // The selected text as UTF-8, as the log keeps it.
    QByteArray selectedBytes() const;
    int lineHeight() const;
    int visibleRows() const;
    Position positionAt(const QPoint &point) const;
    int xOf(const QString &text, int column) const;
    void ensureVisible(const Position &position);
    void updateScrollBars();
    void scrollToRow(DuzUdozuzeLogRow row);
    // After the cursor moved: it is shown, and Copy told.
    void cursorMoved(bool hadSelection);
    void selectionChanged(bool hadSelection);
    void filterScanned();

    DuzUdozuzeLineStore m_store;
    DuzUdozuzeLogSearch m_search {m_store};
    DuzUdozuzeLogSelection m_selection;
    QTimer m_refreshTimer;
    DuzUdozuzeLineSerial m_nTopSerial; // the line at the top, while not following
    bool m_bFollow = true;
    bool m_bScrolling = false; // the view moves itself, not the user
    bool m_bSelecting = false; // with the mouse
    int m_nWidest = 0; // pixels of the widest line seen
    qsizetype m_nLongest = 0; // characters of the longest line seen
};

#endif // DUZUDOZUZELOGVIEW_H
