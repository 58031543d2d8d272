// SPDX-License-Identifier: MIT
#include "app/duzudozuzeheadlinebar.h"

#include "app/duzudozuzecellstyle.h"
#include "protocol/duzudozuzeheadline.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Twice the desktop's size still reads at a third of the screen's.
constexpr double Scale = 2.2;

} // namespace

DuzUdozuzeHeadlineBar::DuzUdozuzeHeadlineBar(QWidget *parent)
    : QWidget(parent),
      m_pqText(new QLabel(this)),
      m_pqUnacknowledged(new QLabel(this)),
      m_pqAcknowledge(new QToolButton(this))
{
    setObjectName(QStringLiteral("headline"));
    m_pqText->setObjectName(QStringLiteral("headlineText"));
    m_pqText->setTextFormat(Qt::PlainText);
    m_pqText->setWordWrap(true);
    QFont large = font();
    large.setPointSizeF(large.pointSizeF() * Scale);
    large.setBold(true);
    m_pqText->setFont(large);
    m_pqUnacknowledged->setObjectName(QStringLiteral("headlineUnacknowledged"));
    QFont bold = font();
    bold.setBold(true);
    m_pqUnacknowledged->setFont(bold);
    QPalette warning = palette();
    warning.setColor(
        QPalette::WindowText,
        DuzUdozuzeCellStyle::of(DuzUdozuzeCellStyle::Kind::Warning, palette()).foreground);
    m_pqUnacknowledged->setPalette(warning);
    m_pqUnacknowledged->hide();
    m_pqAcknowledge->hide();
    auto *acknowledgement = new QHBoxLayout;
    acknowledgement->addWidget(m_pqUnacknowledged);
    acknowledgement->addWidget(m_pqAcknowledge);
    acknowledgement->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(m_pqText);
    layout->addLayout(acknowledgement);
}

void DuzUdozuzeHeadlineBar::setAcknowledgeAction(QAction *action)
{
    m_pqAcknowledge->setDefaultAction(action);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(action);
}

void DuzUdozuzeHeadlineBar::showHeadline(const DuzUdozuzeHeadline &headline)
{
    using Kind = DuzUdozuzeCellStyle::Kind;
    using Tone = DuzUdozuzeHeadline::Tone;
    const Kind kind = headline.tone == Tone::Alarm ? Kind::Warning : Kind::Stale;
    QPalette coloured = palette();
    if (headline.tone != Tone::Calm)
        coloured.setColor(QPalette::WindowText,
                          DuzUdozuzeCellStyle::of(kind, palette()).foreground);
    m_pqText->setPalette(coloured);
    m_pqText->setText(headline.text);
    m_pqUnacknowledged->setText(headline.unacknowledged);
    m_pqUnacknowledged->setVisible(!headline.unacknowledged.isEmpty());
    m_pqAcknowledge->setVisible(!headline.unacknowledged.isEmpty()
                                && m_pqAcknowledge->defaultAction());
}

QString DuzUdozuzeHeadlineBar::text() const
{
    return m_pqText->text();
}
