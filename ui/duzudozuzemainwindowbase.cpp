// SPDX-License-Identifier: MIT
#include "ui/duzudozuzemainwindowbase.h"

#include <QEvent>

DuzUdozuzeMainWindowBase::DuzUdozuzeMainWindowBase(QWidget *parent, const char *name,
                                                   Qt::WindowFlags fl)
    : QMainWindow(parent, fl)
{
    if (name)
        setObjectName(QLatin1String(name));
    setupUi(this);
    // Each group's row of labels keeps to the top of its group.
    m_pqButtonGroupMySettingsOwnLayout->setAlignment(m_pqButtonGroupMySettingsLayout, Qt::AlignTop);
    m_pqButtonGroupFilterSettingsOwnLayout->setAlignment(m_pqButtonGroupFilterSettingsLayout,
                                                         Qt::AlignTop);
    m_pqGroupRespondOwnLayout->setAlignment(m_pqGroupRespondLayout, Qt::AlignTop);
    resize(QSize(600, 504).expandedTo(minimumSizeHint()));
}

void DuzUdozuzeMainWindowBase::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        languageChange();
    QMainWindow::changeEvent(event);
}

void DuzUdozuzeMainWindowBase::languageChange()
{
    retranslateUi(this);
}
