// SPDX-License-Identifier: MIT
#include "app/duzudozuzefilterstrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

DuzUdozuzeFilterStrip::DuzUdozuzeFilterStrip(QWidget *parent)
    : QWidget(parent), m_pqText(new QLabel(this))
{
    setObjectName(QStringLiteral("filterStrip"));
    // In the colours of a tooltip, as an information bar is: apart from the
    // log, readable in either theme.
    setAutoFillBackground(true);
    QPalette coloured = palette();
    coloured.setColor(QPalette::All, QPalette::Window, palette().color(QPalette::ToolTipBase));
    coloured.setColor(QPalette::All, QPalette::WindowText, palette().color(QPalette::ToolTipText));
    setPalette(coloured);
    m_pqText->setTextFormat(Qt::PlainText);
    m_pqText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont bold = font();
    bold.setBold(true);
    m_pqText->setFont(bold);
    auto *clear = new QToolButton(this);
    clear->setObjectName(QStringLiteral("clearFilter"));
    clear->setText(tr("Clear Filter"));
    connect(clear, &QToolButton::clicked, this, &DuzUdozuzeFilterStrip::clearWanted);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 2, 2);
    layout->addWidget(m_pqText, 1);
    layout->addWidget(clear);
    hide();
}

QString DuzUdozuzeFilterStrip::text() const
{
    return isHidden() ? QString() : m_pqText->text();
}

void DuzUdozuzeFilterStrip::showFilter(const QString &filter, const QString &shown)
{
    setVisible(!filter.isEmpty());
    if (filter.isEmpty())
        return;
    m_pqText->setText(tr("Filtered: only lines containing \"%1\", %2").arg(filter, shown));
    m_pqText->setToolTip(m_pqText->text());
}
