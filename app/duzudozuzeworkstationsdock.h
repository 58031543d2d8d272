// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEWORKSTATIONSDOCK_H
#define DUZUDOZUZEWORKSTATIONSDOCK_H

#include <QDockWidget>

class DuzUdozuzeWorkstationModel;
class DuzUdozuzeWorkstationTable;
class QListWidget;
class QTableView;

// The Workstations dock: the warnings in force at its top, in a few lines that
// scroll however many there are, and under them one row for each workstation
// heard, this workstation's own first, sortable by any column. Who is what
// comes first whatever the width; the columns least needed give way as the
// dock narrows. A row's context menu asks for that workstation's lines in the
// log; the window decides what that means.
class DuzUdozuzeWorkstationsDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit DuzUdozuzeWorkstationsDock(const DuzUdozuzeWorkstationTable &table,
                                        QWidget *parent = nullptr);

    // Refreshed by the window, once a second: the ages change with time alone.
    DuzUdozuzeWorkstationModel *model() const { return m_pModel; }
    // From the next showWarnings() on, text stands above the warnings for good.
    void setNotListening(const QString &text);
    void showWarnings(const QStringList &warnings);

signals:
    // "Show its lines in the log" on the workstation at row of the table.
    void linesOfRowWanted(int row);

private:
    void createWarningList(QWidget *parent);
    QTableView *createTableView(QWidget *parent);
    // Who is what first: the identity, the claim and when it was last heard.
    static void arrangeColumns(QTableView *view);

    DuzUdozuzeWorkstationModel *m_pModel; // child of this dock
    QListWidget *m_pqWarnings = nullptr;
    QString m_strNotListening;
    // Lines of warnings shown before they scroll.
    static constexpr int WarningLines = 4;
};

#endif // DUZUDOZUZEWORKSTATIONSDOCK_H
