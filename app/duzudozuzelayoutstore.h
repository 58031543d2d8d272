// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELAYOUTSTORE_H
#define DUZUDOZUZELAYOUTSTORE_H

#include <QList>

class QAction;
class QMainWindow;
class QTableView;

// The window as the operator left it, kept in the user's configuration folder
// (QSettings, under the application's organisation and name): its geometry,
// where the docks stand and how large they are, the order, widths and sorting
// of the tables' columns, and Sound on Warning; never Follow New Lines, on at
// every start. Restored at start; a
// file that is broken or written by another version is ignored, and the
// window starts as it would without one.
class DuzUdozuzeLayoutStore
{
public:
    // The window's table views and checkable actions that have a name
    // (objectName), kept under their names.
    explicit DuzUdozuzeLayoutStore(QMainWindow *window);

    void restore() const;
    void save() const;

    // Raised when what is stored changes its meaning (2: the columns can be
    // sized by the user, and say which were).
    static constexpr int Version = 2;

private:
    static bool named();

    QMainWindow *m_pqWindow;
    QList<QTableView *> m_views;
    QList<QAction *> m_toggles;
};

#endif // DUZUDOZUZELAYOUTSTORE_H
