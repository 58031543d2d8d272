// SPDX-License-Identifier: MIT
#include "app/duzudozuzetray.h"

#include <QPainter>
#include <QPolygonF>
#include <QWidget>

#include <cmath>

DuzUdozuzeTray::DuzUdozuzeTray(bool listening, const QString &watched, QWidget *window)
    : QSystemTrayIcon(window), m_bListening(listening), m_strWatched(watched)
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
    State state = State::Well;
    QString tip = tr("no warnings");
    if (!m_bListening) {
        state = State::NotListening;
        tip = tr("not listening, the set-up failed");
    } else if (!warnings.isEmpty() || unacknowledged > 0) {
        state = State::Warning;
        tip = warnings.join(QLatin1Char('\n'));
        if (unacknowledged > 0)
            tip += tr("\nUnacknowledged warnings: %1").arg(unacknowledged);
    }
    setIcon(icon(state));
    setToolTip(QStringLiteral("DuzUdozuze, %1:\n%2").arg(m_strWatched, tip.trimmed()));
}

QIcon DuzUdozuzeTray::icon(State state)
{
    constexpr int Size = 32;
    QPixmap picture(Size, Size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
    const QColor red(0xd0, 0x20, 0x20);
    QPolygonF outline;
    switch (state) {
    case State::Well:
        painter.setBrush(QColor(0x2e, 0x9e, 0x44));
        painter.drawEllipse(QRectF(2, 2, 28, 28));
        break;
    case State::Warning:
        painter.setBrush(red);
        outline << QPointF(16, 1.5) << QPointF(30.5, 29) << QPointF(1.5, 29);
        painter.drawPolygon(outline);
        break;
    case State::NotListening:
        painter.setBrush(red);
        for (int corner = 0; corner < 8; ++corner) {
            const double angle = (corner * 45 + 22.5) * M_PI / 180;
            outline << QPointF(16 + 14.5 * std::cos(angle), 16 + 14.5 * std::sin(angle));
        }
        painter.drawPolygon(outline);
        break;
    }
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (state) {
    case State::Well:
        painter.drawPolyline(QPolygonF({QPointF(9, 16.5), QPointF(14, 21.5), QPointF(23, 11)}));
        break;
    case State::Warning:
        painter.drawLine(QPointF(16, 11), QPointF(16, 19.5));
        painter.drawPoint(QPointF(16, 25));
        break;
    case State::NotListening:
        painter.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
        painter.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
        break;
    }
    return QIcon(picture);
}

void DuzUdozuzeTray::notifyRaised(const QString &warning)
{
    showMessage(tr("DuzUdozuze"), warning, QSystemTrayIcon::Warning);
}
