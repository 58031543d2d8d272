// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETABLEVIEW_H
#define DUZUDOZUZETABLEVIEW_H

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QSize>
#include <QTableView>
#include <QTimer>

// A table of the picture of the election (the workstations, a history): read
// only, chosen a whole row at a time, its columns as wide as the rows in
// sight need, the last one taking what is left. Only the rows in sight are
// measured, so a table of thousands costs no more each second than a short one.
// A column the user widens or narrows keeps that width from then on (a double
// click on its edge makes it follow its rows again). The columns can be moved;
// Tab moves on to the next widget. No column is wider than MaxCharacters: a
// longer text (a name from the network) ends in "...", whole in its tooltip
// and in what Copy puts on the clipboard, the selected rows a line each, their
// cells apart by tabs. However narrow the view, what matters stays
// in sight: the columns of the drop order go, the first first, while the
// columns do not fit, and come back as room comes.
//
// The columns are fitted when the rows or the room really change, never from
// inside a resize that a fit causes: a fit that shows or hides a scroll bar
// resizes the viewport, and fitting again on that would never come to rest.
// The room is the view's own, the same with or without its scroll bars.
class DuzUdozuzeTableView : public QTableView
{
    Q_OBJECT

public:
    explicit DuzUdozuzeTableView(QAbstractItemModel *model, QWidget *parent = nullptr);

    // The logical columns whose width the user chose, for the layout kept.
    QList<int> sizedColumns() const;
    void setSizedColumns(const QList<int> &columns);
    // The logical columns that may go for want of room, the first to go first.
    void setDropOrder(QList<int> columns);

    static constexpr int MaxCharacters = 32;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    enum class When { Soon, WithinASecond };
    void scheduleFit(When when);
    void fitColumns();
    // Hides and shows the columns of the drop order for the room there is.
    void dropColumns();
    // What a column's title and the rows in sight need, at most MaxCharacters.
    int neededWidth(int column) const;
    int stretchedColumn() const;
    int room() const;
    void copyRows() const;

    QSet<int> m_sized;
    QList<int> m_dropOrder;
    bool m_bDragging = false; // a press on the header, by the user
    bool m_bFitting = false;
    QSize m_roomFitted;
    QTimer m_fitTimer; // once for any number of changes
    QElapsedTimer m_sinceFit;
};

#endif // DUZUDOZUZETABLEVIEW_H
