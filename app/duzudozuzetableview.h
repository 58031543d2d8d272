// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETABLEVIEW_H
#define DUZUDOZUZETABLEVIEW_H

#include <QList>
#include <QSet>
#include <QTableView>
#include <QTimer>

// A table of the picture of the election (the workstations, a history): read
// only, chosen a whole row at a time, its columns as wide as the rows in
// sight need, the last one taking what is left. Only the rows in sight are
// measured, so a table of thousands costs no more each second than a short one.
// A column the user widens or narrows keeps that width from then on (a double
// click on its edge makes it follow its rows again). The columns can be moved;
// Tab moves on to the next widget.
class DuzUdozuzeTableView : public QTableView
{
    Q_OBJECT

public:
    explicit DuzUdozuzeTableView(QAbstractItemModel *model, QWidget *parent = nullptr);

    // The logical columns whose width the user chose, for the layout kept.
    QList<int> sizedColumns() const;
    void setSizedColumns(const QList<int> &columns);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The columns the user left alone, as wide as the rows in sight need.
    void fitColumns();
    int stretchedColumn() const;

    QSet<int> m_sized;
    bool m_bDragging = false; // a press on the header, by the user
    bool m_bFitting = false;
    QTimer m_fitTimer; // once for any number of changes
};

#endif // DUZUDOZUZETABLEVIEW_H
