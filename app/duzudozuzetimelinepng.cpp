// SPDX-License-Identifier: MIT
#include "app/duzudozuzetimelinereport.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

bool DuzUdozuzeTimelineReport::png(const QByteArray &svg, QByteArray &image)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return false;
    QImage picture(renderer.defaultSize(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    renderer.render(&painter);
    painter.end();
    QByteArray written;
    QBuffer buffer(&written);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return false;
    image = written;
    return true;
}
