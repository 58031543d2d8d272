// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZETABLEVIEW_H
#define DUZUDOZUZETABLEVIEW_H

#include <QTableView>

// A table of the picture of the election (the workstations, a history): read
// only, chosen a whole row at a time, its columns as wide as the rows in
// sight need, the last one taking what is left. Only the rows in sight are
// measured, so a table of thousands costs no more each second than a short one.
// The columns can be moved; Tab moves on to the next widget.
class DuzUdozuzeTableView : public QTableView
{
    Q_OBJECT

public:
    explicit DuzUdozuzeTableView(QAbstractItemModel *model, QWidget *parent = nullptr);
};

#endif // DUZUDOZUZETABLEVIEW_H
