// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelinedock.h"

#include "app/duzudozuzeelidedlabel.h"
#include "app/duzudozuzetimelineview.h"
#include "protocol/duzudozuzeheadline.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr qint64 Minute = 60 * 1000;
// The spans to choose from; a capture's first choice is the whole of it.
constexpr qint64 Spans[] = {5 * Minute, 60 * Minute, 24 * 60 * Minute};

} // namespace

DuzUdozuzeTimelineDock::DuzUdozuzeTimelineDock(const DuzUdozuzeTimeline &timeline, bool live,
                                               QWidget *parent)
    : QDockWidget(tr("Timeline"), parent),
      m_timeline(timeline),
      m_bLive(live),
      m_pView(new DuzUdozuzeTimelineView(timeline, live)),
      m_pqSpan(new QComboBox)
{
    setObjectName(QStringLiteral("timelineDock"));
    auto *content = new QWidget;
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    m_pqSpan->setObjectName(QStringLiteral("timelineSpan"));
    if (!live)
        m_pqSpan->addItem(tr("Whole capture"));
    m_pqSpan->addItems({tr("Last 5 min"), tr("Last 1 h"), tr("Last 24 h")});
    m_pqSpan->setToolTip(tr("The time shown; the wheel and %1 / %2 zoom")
                             .arg(QKeySequence(QKeySequence::ZoomIn).toString(),
                                  QKeySequence(QKeySequence::ZoomOut).toString()));
    bar->addWidget(m_pqSpan);
    if (live) {
        m_pqFollow = new QToolButton;
        m_pqFollow->setObjectName(QStringLiteral("timelineFollow"));
        m_pqFollow->setText(tr("Follow"));
        m_pqFollow->setToolTip(tr("Keep the present in sight (End)"));
        m_pqFollow->setCheckable(true);
        m_pqFollow->setChecked(true);
        bar->addWidget(m_pqFollow);
        connect(m_pqFollow, &QToolButton::toggled, m_pView, &DuzUdozuzeTimelineView::setFollow);
        connect(m_pView, &DuzUdozuzeTimelineView::followChanged, m_pqFollow,
                &QToolButton::setChecked);
        m_pqSpan->setCurrentIndex(1);
        m_pView->setSpan(Spans[1]);
    } else {
        m_pHeadline = new DuzUdozuzeElidedLabel;
        m_pHeadline->setObjectName(QStringLiteral("timelineHeadline"));
        bar->addWidget(m_pHeadline, 1);
        connect(m_pView, &DuzUdozuzeTimelineView::cursorMoved, this,
                &DuzUdozuzeTimelineDock::showHeadline);
    }
    bar->addStretch(live ? 1 : 0);
    connect(m_pqSpan, &QComboBox::currentIndexChanged, this, &DuzUdozuzeTimelineDock::chooseSpan);
    connect(m_pView, &DuzUdozuzeTimelineView::momentChosen, this,
            &DuzUdozuzeTimelineDock::momentChosen);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(m_pView, 1);
    setWidget(content);
}

void DuzUdozuzeTimelineDock::chooseSpan(int index)
{
    if (!m_bLive)
        --index;
    if (index < 0)
        m_pView->showWhole();
    else
        m_pView->setSpan(Spans[index]);
}

void DuzUdozuzeTimelineDock::refresh()
{
    if (!m_pView->isVisible())
        return;
    m_pView->refresh();
    if (m_pHeadline)
        showHeadline();
}

// Worked out again only when the cursor or the timeline moved.
void DuzUdozuzeTimelineDock::showHeadline()
{
    const qint64 cursor = m_pView->cursor();
    if (cursor == m_nHeadlineCursor && m_timeline.generation() == m_nHeadlineGeneration)
        return;
    m_nHeadlineCursor = cursor;
    m_nHeadlineGeneration = m_timeline.generation();
    m_pHeadline->setFullText(DuzUdozuzeHeadline::at(m_timeline, cursor).text);
}
