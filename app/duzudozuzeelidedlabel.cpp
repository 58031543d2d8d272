// SPDX-License-Identifier: MIT
#include "app/duzudozuzeelidedlabel.h"

DuzUdozuzeElidedLabel::DuzUdozuzeElidedLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void DuzUdozuzeElidedLabel::setFullText(const QString &text)
{
    if (text == m_strFull)
        return;
    m_strFull = text;
    elide();
}

QSize DuzUdozuzeElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 3, QLabel::minimumSizeHint().height()};
}

QSize DuzUdozuzeElidedLabel::sizeHint() const
{
    // Wide enough for a short warning, never for a flood of names.
    constexpr int Characters = 40;
    return {qMin(fontMetrics().horizontalAdvance(m_strFull),
                 fontMetrics().averageCharWidth() * Characters)
                + 2 * margin(),
            QLabel::sizeHint().height()};
}

void DuzUdozuzeElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void DuzUdozuzeElidedLabel::elide()
{
    QString line = m_strFull;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QLabel::setText(
        fontMetrics().elidedText(line, Qt::ElideRight, qMax(0, contentsRect().width())));
}
