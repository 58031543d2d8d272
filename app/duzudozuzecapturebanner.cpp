// SPDX-License-Identifier: MIT
#include "app/duzudozuzecapturebanner.h"

#include <QLabel>
#include <QMainWindow>

namespace {

// Violet: neither the calm green nor the amber of a master nor the red of an
// alarm.
const QColor Tint(0x5b, 0x2a, 0x86);

} // namespace

DuzUdozuzeCaptureBanner::DuzUdozuzeCaptureBanner(const QString &fileName, QMainWindow *window)
    : QToolBar(window), m_strFileName(fileName), m_pqText(new QLabel(this))
{
    setObjectName(QStringLiteral("captureBanner"));
    setMovable(false);
    setFloatable(false);
    toggleViewAction()->setVisible(false);
    setAutoFillBackground(true);
    QPalette banner = palette();
    banner.setColor(QPalette::All, QPalette::Window, Tint);
    banner.setColor(QPalette::All, QPalette::WindowText, Qt::white);
    setPalette(banner);
    m_pqText->setTextFormat(Qt::PlainText);
    QFont large = font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    m_pqText->setFont(large);
    m_pqText->setContentsMargins(8, 4, 8, 4);
    addWidget(m_pqText);
    showSpan(QString());
    window->addToolBar(Qt::TopToolBarArea, this);
    // The rest of the window takes a tint of the banner's colour.
    QPalette tinted = window->palette();
    const QColor base = tinted.color(QPalette::Window);
    tinted.setColor(QPalette::Window,
                    QColor::fromRgbF(base.redF() * 0.8 + Tint.redF() * 0.2,
                                     base.greenF() * 0.8 + Tint.greenF() * 0.2,
                                     base.blueF() * 0.8 + Tint.blueF() * 0.2));
    window->setPalette(tinted);
}

QString DuzUdozuzeCaptureBanner::text() const
{
    return m_pqText->text();
}

void DuzUdozuzeCaptureBanner::showSpan(const QString &span)
{
    m_pqText->setText(
        tr("CAPTURE %1, %2").arg(m_strFileName, span.isEmpty() ? tr("being read") : span));
}
