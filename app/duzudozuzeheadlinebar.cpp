// SPDX-License-Identifier: MIT
#include "app/duzudozuzeheadlinebar.h"

#include "app/duzudozuzecellstyle.h"
#include "protocol/duzudozuzeheadline.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Twice the desktop's size still reads at a third of the screen's; a window
// taller than Height grows it in steps, up to MaxScale.
constexpr double Scale = 2.2;
constexpr double MaxScale = 6;
constexpr int Height = 600;

} // namespace

DuzUdozuzeHeadlineBar::DuzUdozuzeHeadlineBar(QWidget *parent)
    : QWidget(parent),
      m_pqText(new QLabel(this)),
      m_pqGroup(new QLabel(this)),
      m_pqUnacknowledged(new QLabel(this)),
      m_pqAcknowledge(new QToolButton(this))
{
    setObjectName(QStringLiteral("headline"));
    m_pqText->setObjectName(QStringLiteral("headlineText"));
    m_pqText->setTextFormat(Qt::PlainText);
    m_pqText->setWordWrap(true);
    scaleFor(0);
    m_pqGroup->setObjectName(QStringLiteral("headlineGroup"));
    m_pqGroup->setTextFormat(Qt::PlainText);
    m_pqGroup->hide();
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
    layout->addWidget(m_pqGroup);
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
    // One colour in every group of the palette: a window on a second screen
    // is never focused, and its headline must not dim.
    QPalette coloured = palette();
    coloured.setColor(QPalette::All, QPalette::WindowText,
                      headline.tone == Tone::Calm
                          ? palette().color(QPalette::Active, QPalette::WindowText)
                          : DuzUdozuzeCellStyle::of(kind, palette()).foreground);
    m_pqText->setPalette(coloured);
    m_pqText->setText(headline.text);
    m_pqGroup->setText(headline.group);
    m_pqGroup->setVisible(!headline.group.isEmpty());
    m_pqUnacknowledged->setText(headline.unacknowledged);
    m_pqUnacknowledged->setVisible(!headline.unacknowledged.isEmpty());
    m_pqAcknowledge->setVisible(!headline.unacknowledged.isEmpty()
                                && m_pqAcknowledge->defaultAction());
}

QString DuzUdozuzeHeadlineBar::text() const
{
    return m_pqText->text();
}

void DuzUdozuzeHeadlineBar::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    window()->installEventFilter(this);
    scaleFor(window()->height());
}

// Only the window's own size, which the headline does not change, sets the
// type: sized by its own room, a larger type would ask for more room.
bool DuzUdozuzeHeadlineBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window() && event->type() == QEvent::Resize)
        scaleFor(window()->height());
    return QWidget::eventFilter(watched, event);
}

void DuzUdozuzeHeadlineBar::scaleFor(int windowHeight)
{
    const double grown = qBound(1.0, double(windowHeight) / Height, MaxScale / Scale);
    const double scale = Scale * std::floor(grown * 4) / 4; // in quarter steps
    if (scale == m_nScale)
        return;
    m_nScale = scale;
    QFont large = font();
    large.setPointSizeF(large.pointSizeF() * scale);
    large.setBold(true);
    m_pqText->setFont(large);
    QFont group = font();
    group.setPointSizeF(group.pointSizeF() * std::max(1.0, scale / 2));
    group.setBold(true);
    m_pqGroup->setFont(group);
}
