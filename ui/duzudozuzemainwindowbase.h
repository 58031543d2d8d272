// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEMAINWINDOWBASE_H
#define DUZUDOZUZEMAINWINDOWBASE_H

#include "ui_duzudozuzemainwindowbase.h"

#include <QMainWindow>

// The main window's form: the My Settings and Filter Settings rows, the log
// view, the Respond group and Clear. It holds no logic; every widget is a
// member under its object name.
class DuzUdozuzeMainWindowBase : public QMainWindow, protected Ui::DuzUdozuzeMainWindowBase
{
    Q_OBJECT

public:
    explicit DuzUdozuzeMainWindowBase(QWidget *parent = nullptr, const char *name = nullptr,
                                      Qt::WindowFlags fl = Qt::Window);

protected:
    void changeEvent(QEvent *event) override;

protected slots:
    // Sets every text of the form again.
    virtual void languageChange();
};

#endif // DUZUDOZUZEMAINWINDOWBASE_H
