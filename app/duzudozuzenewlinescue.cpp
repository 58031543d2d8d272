// SPDX-License-Identifier: MIT
#include "app/duzudozuzenewlinescue.h"

#include "app/duzudozuzelogview.h"

#include <QEvent>
#include <QScrollBar>
#include <QToolButton>

DuzUdozuzeNewLinesCue::DuzUdozuzeNewLinesCue(DuzUdozuzeLogView *view)
    : QObject(view), m_pView(view), m_pqButton(new QToolButton(view->viewport()))
{
    m_pqButton->setObjectName(QStringLiteral("newLines"));
    m_pqButton->setToolTip(tr("Follow new lines again, from the newest"));
    m_pqButton->hide();
    connect(m_pqButton, &QToolButton::clicked, view, [view] { view->setFollow(true); });
    connect(view, &DuzUdozuzeLogView::followChanged, this, [this](bool follow) {
        m_bFollow = follow;
        m_nSince = m_pView->store().endSerial();
        update();
    });
    connect(view, &DuzUdozuzeLogView::rowsChanged, this, &DuzUdozuzeNewLinesCue::update);
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &DuzUdozuzeNewLinesCue::update);
    view->viewport()->installEventFilter(this);
}

bool DuzUdozuzeNewLinesCue::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        place();
    return QObject::eventFilter(watched, event);
}

void DuzUdozuzeNewLinesCue::update()
{
    // Clear starts the count again. Only the lines following would bring
    // into sight count: none that the filter hides, none in sight already.
    m_nSince = qMin(m_nSince, m_pView->store().endSerial());
    const qsizetype count = m_pView->rowsBelowFrom(m_nSince);
    m_pqButton->setVisible(!m_bFollow && count > 0);
    if (m_pqButton->isHidden())
        return;
    m_pqButton->setText(count == 1 ? tr("1 new line") : tr("%1 new lines").arg(count));
    m_pqButton->adjustSize();
    place();
}

void DuzUdozuzeNewLinesCue::place()
{
    const QWidget *viewport = m_pView->viewport();
    constexpr int Margin = 8;
    m_pqButton->move(viewport->width() - m_pqButton->width() - Margin,
                     viewport->height() - m_pqButton->height() - Margin);
}
