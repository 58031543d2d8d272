// SPDX-License-Identifier: MIT
#include "app/duzudozuzetray.h"

#include <QPainter>
#include <QWidget>

DuzUdozuzeTray::DuzUdozuzeTray(bool listening, QWidget *window)
    : QSystemTrayIcon(window), m_bListening(listening)
{
    setObjectName(QStringLiteral("tray"));
    connect(this, &QSystemTrayIcon::activated, window,
            [window](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::Trigger)
                    return;
                window->showNormal();
                window->raise();
                window->activateWindow();
            });
    showWarnings({});
    show();
}

void DuzUdozuzeTray::showWarnings(const QStringList &warnings, int unacknowledged)
{
    QColor colour(0x2e, 0x9e, 0x44);
    QString tip = tr("DuzUdozuze: no warnings");
    if (!m_bListening) {
        colour = QColor(0x80, 0x80, 0x80);
        tip = tr("DuzUdozuze: not listening, the set-up failed");
    } else if (!warnings.isEmpty() || unacknowledged > 0) {
        colour = QColor(0xd0, 0x20, 0x20);
        tip = QStringLiteral("DuzUdozuze:\n") + warnings.join(QLatin1Char('\n'));
        if (unacknowledged > 0)
            tip += tr("\nUnacknowledged warnings: %1").arg(unacknowledged);
    }
    QPixmap dot(32, 32);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(3, 3, 26, 26));
    setIcon(QIcon(dot));
    setToolTip(tip);
}

void DuzUdozuzeTray::notifyRaised(const QString &warning)
{
    showMessage(tr("DuzUdozuze"), warning, QSystemTrayIcon::Warning);
}
