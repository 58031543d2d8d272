// SPDX-License-Identifier: MIT
#ifndef WIDGETSUPPORT_H
#define WIDGETSUPPORT_H

#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QtGlobal>

// What the window's tests look at alike.

// The window's widget of the object name; the test cannot go on without it.
template<typename T> T *child(QWidget *window, const char *name)
{
    T *widget = window->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

// Counts the paint events of one widget.
struct PaintCounter : QObject
{
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

#endif // WIDGETSUPPORT_H
