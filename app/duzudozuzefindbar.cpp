#include "app/duzudozuzefindbar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextCursor>
#include <QToolButton>

DuzUdozuzeFindBar::DuzUdozuzeFindBar(QPlainTextEdit *view, QWidget *parent)
    : QWidget(parent),
      m_pView(view),
      m_pqText(new QLineEdit(this)),
      m_pqMatchCase(new QCheckBox(tr("Match case"), this)),
      m_pqStatus(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    m_pqText->setPlaceholderText(tr("Find in the log"));
    m_pqText->setClearButtonEnabled(true);
    auto *label = new QLabel(tr("Find:"), this);
    label->setBuddy(m_pqText);
    auto *previous = new QToolButton(this);
    previous->setText(tr("Previous"));
    previous->setToolTip(tr("Find the previous match (Shift+F3)"));
    auto *next = new QToolButton(this);
    next->setText(tr("Next"));
    next->setToolTip(tr("Find the next match (F3)"));
    auto *close = new QToolButton(this);
    close->setText(tr("Close"));
    close->setAutoRaise(true);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(m_pqText, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(m_pqMatchCase);
    layout->addWidget(m_pqStatus);
    layout->addWidget(close);

    connect(m_pqText, &QLineEdit::returnPressed, this, &DuzUdozuzeFindBar::findNext);
    connect(m_pqText, &QLineEdit::textChanged, m_pqStatus, &QLabel::clear);
    connect(next, &QToolButton::clicked, this, &DuzUdozuzeFindBar::findNext);
    connect(previous, &QToolButton::clicked, this, &DuzUdozuzeFindBar::findPrevious);
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::hide);
    hide();
}

QString DuzUdozuzeFindBar::status() const
{
    return m_pqStatus->text();
}

void DuzUdozuzeFindBar::open()
{
    show();
    m_pqText->setFocus(Qt::ShortcutFocusReason);
    m_pqText->selectAll();
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
    QTextDocument::FindFlags flags;
    if (backward)
        flags |= QTextDocument::FindBackward;
    if (m_pqMatchCase->isChecked())
        flags |= QTextDocument::FindCaseSensitively;
    QTextCursor found = m_pView->document()->find(text, m_pView->textCursor(), flags);
    if (found.isNull()) {
        // Round from the other end.
        QTextCursor start(m_pView->document());
        start.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        found = m_pView->document()->find(text, start, flags);
    }
    if (found.isNull()) {
        m_pqStatus->setText(tr("not found"));
        return false;
    }
    m_pqStatus->clear();
    m_pView->setTextCursor(found);
    m_pView->ensureCursorVisible();
    return true;
}
