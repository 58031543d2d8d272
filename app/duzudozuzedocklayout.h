// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEDOCKLAYOUT_H
#define DUZUDOZUZEDOCKLAYOUT_H

#include <QList>

class QDockWidget;
class QMainWindow;
class QMenu;

// Where the window's docks stand: the first beside the form, the others under
// it, each shown and hidden from the View menu; the window widened by the
// first dock's width where the screen has room, most of the height for it;
// as the window grows or shrinks, the first dock keeps its share of the width.
// A tab's dock goes behind another's, which stays in front: the layout of the
// first start is the same with it as without.
namespace DuzUdozuzeDockLayout {

struct Tab
{
    QDockWidget *dock;
    QDockWidget *behind;
};

void arrange(QMainWindow *window, QMenu *view, const QList<QDockWidget *> &docks,
             const QList<Tab> &tabs = {});

} // namespace DuzUdozuzeDockLayout

#endif // DUZUDOZUZEDOCKLAYOUT_H
