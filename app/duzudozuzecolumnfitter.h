// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECOLUMNFITTER_H
#define DUZUDOZUZECOLUMNFITTER_H

#include <QList>
#include <QObject>

class QTableView;

// Keeps what matters of a table in sight however narrow its view: the
// columns go, least important first, while they do not fit, and come back as
// room comes.
class DuzUdozuzeColumnFitter : public QObject
{
    Q_OBJECT

public:
    // dropOrder: the logical columns that may go, the first to go first.
    DuzUdozuzeColumnFitter(QTableView *view, QList<int> dropOrder);

    // Hides and shows columns for the view's width now.
    void fit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView *m_pView;
    QList<int> m_dropOrder;
};

#endif // DUZUDOZUZECOLUMNFITTER_H
