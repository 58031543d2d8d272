// SPDX-License-Identifier: MIT
#include "app/duzudozuzefindbar.h"

#include "app/duzudozuzelogview.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>

namespace {

QString number(qsizetype value)
{
    return QLocale(QLocale::English).toString(qlonglong(value));
}

} // namespace

DuzUdozuzeFindBar::DuzUdozuzeFindBar(DuzUdozuzeLogView *view, QWidget *parent)
    : QWidget(parent),
      m_pView(view),
      m_pqText(new QLineEdit(this)),
      m_pqFilter(new QLineEdit(this)),
      m_pqMatchCase(new QCheckBox(tr("Match case"), this)),
      m_pqStatus(new QLabel(this)),
      m_pqCount(new QLabel(this)),
      m_pqShown(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    m_pqText->setPlaceholderText(tr("Find in the log"));
    m_pqText->setClearButtonEnabled(true);
    m_pqFilter->setObjectName(QStringLiteral("filter"));
    m_pqFilter->setPlaceholderText(tr("Show only lines containing ..."));
    m_pqFilter->setClearButtonEnabled(true);
    auto *label = new QLabel(tr("Find:"), this);
    label->setBuddy(m_pqText);
    auto *filterLabel = new QLabel(tr("Filter:"), this);
    filterLabel->setBuddy(m_pqFilter);
    auto *previous = new QToolButton(this);
    previous->setText(tr("Previous"));
    previous->setToolTip(tr("Find the previous match (Shift+F3)"));
    auto *next = new QToolButton(this);
    next->setText(tr("Next"));
    next->setToolTip(tr("Find the next match (F3)"));
    auto *close = new QToolButton(this);
    close->setText(tr("Close"));
    close->setAutoRaise(true);
    for (QLabel *status : {m_pqStatus, m_pqCount, m_pqShown})
        status->setTextFormat(Qt::PlainText);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_pqText, 0, 1);
    layout->addWidget(previous, 0, 2);
    layout->addWidget(next, 0, 3);
    layout->addWidget(m_pqMatchCase, 0, 4);
    layout->addWidget(m_pqStatus, 0, 5);
    layout->addWidget(m_pqCount, 0, 6);
    layout->addWidget(close, 0, 7);
    layout->addWidget(filterLabel, 1, 0);
    layout->addWidget(m_pqFilter, 1, 1);
    layout->addWidget(m_pqShown, 1, 2, 1, 5);
    layout->setColumnStretch(1, 1);
    // The fields take the bar's room, never less than a useful text's.
    for (QLineEdit *field : {m_pqText, m_pqFilter})
        field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 24);
    connect(m_pqText, &QLineEdit::returnPressed, this, &DuzUdozuzeFindBar::findNext);
    connect(m_pqText, &QLineEdit::textChanged, this, [this] {
        m_pqStatus->clear();
        updateCounts();
    });
    connect(m_pqFilter, &QLineEdit::textChanged, this, &DuzUdozuzeFindBar::applyFilter);
    connect(m_pqMatchCase, &QCheckBox::toggled, this, [this] {
        applyFilter();
        updateCounts();
    });
    connect(next, &QToolButton::clicked, this, &DuzUdozuzeFindBar::findNext);
    connect(previous, &QToolButton::clicked, this, &DuzUdozuzeFindBar::findPrevious);
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_pView, &DuzUdozuzeLogView::rowsChanged, this, &DuzUdozuzeFindBar::updateCounts);
    connect(m_pView, &DuzUdozuzeLogView::matchesCounted, this, &DuzUdozuzeFindBar::updateCounts);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_pqFilter->hasFocus() && !m_pqFilter->text().isEmpty())
            m_pqFilter->clear();
        else
            hide();
    });
    hide();
}

void DuzUdozuzeFindBar::addActionsTo(QMenu *menu)
{
    menu->addAction(tr("&Find..."), this, &DuzUdozuzeFindBar::open)
        ->setShortcut(QKeySequence::Find);
    menu->addAction(tr("Find &Next"), this, &DuzUdozuzeFindBar::findNext)
        ->setShortcut(QKeySequence::FindNext);
    menu->addAction(tr("Find &Previous"), this, &DuzUdozuzeFindBar::findPrevious)
        ->setShortcut(QKeySequence::FindPrevious);
    menu->addAction(tr("F&ilter..."), this, &DuzUdozuzeFindBar::openFilter)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
}

QString DuzUdozuzeFindBar::status() const
{
    return m_pqStatus->text();
}

QString DuzUdozuzeFindBar::countText() const
{
    return m_pqCount->text();
}

QString DuzUdozuzeFindBar::shownText() const
{
    return m_pqShown->text();
}

void DuzUdozuzeFindBar::open()
{
    show();
    m_pqText->setFocus(Qt::ShortcutFocusReason);
    m_pqText->selectAll();
}

void DuzUdozuzeFindBar::openFilter()
{
    show();
    m_pqFilter->setFocus(Qt::ShortcutFocusReason);
    m_pqFilter->selectAll();
}

void DuzUdozuzeFindBar::showOnly(const QString &text)
{
    show();
    m_pqFilter->setText(text);
}

void DuzUdozuzeFindBar::clearFilter()
{
    m_pqFilter->clear();
}

bool DuzUdozuzeFindBar::findNext()
{
    return find(false);
}

bool DuzUdozuzeFindBar::findPrevious()
{
    return find(true);
}

bool DuzUdozuzeFindBar::find(bool backward)
{
    const QString text = m_pqText->text();
    if (text.isEmpty())
        return false;
    const bool found = m_pView->find(text, m_pqMatchCase->isChecked(), backward);
    m_pqStatus->setText(found ? QString() : tr("not found"));
    updateCounts();
    return found;
}

void DuzUdozuzeFindBar::applyFilter()
{
    m_pView->setFilter(m_pqFilter->text(), m_pqMatchCase->isChecked());
}

// Counted in slices by the view; said once known.
void DuzUdozuzeFindBar::updateCounts()
{
    const qsizetype total = m_pView->store().size();
    const qsizetype matches = m_pView->matchCount(m_pqText->text(), m_pqMatchCase->isChecked());
    m_pqCount->setText(m_pqText->text().isEmpty() || matches < 0 ? QString()
                           : matches == 1                        ? tr("1 line matches")
                                          : tr("%1 lines match").arg(number(matches)));
    m_pqShown->setText(m_pView->filterText().isEmpty()
                           ? QString()
                           : tr("%1 of %2 lines shown%3")
                                 .arg(number(m_pView->rowCount()), number(total),
                                      m_pView->filterComplete() ? QString() : tr(" (looking)")));
    emit filterShown(m_pView->filterText(), m_pqShown->text());
}
