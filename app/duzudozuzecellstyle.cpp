// SPDX-License-Identifier: MIT
#include "app/duzudozuzecellstyle.h"

#include <QPalette>

#include <cmath>

namespace {

constexpr double Enough = 4.5; // WCAG AA for text

double luminance(const QColor &colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
        + 0.0722 * linear(colour.blueF());
}

// Of black and white, the one that reads better on background.
QColor textFor(const QColor &background)
{
    return DuzUdozuzeCellStyle::contrast(Qt::black, background)
            >= DuzUdozuzeCellStyle::contrast(Qt::white, background)
        ? QColor(Qt::black)
        : QColor(Qt::white);
}

// colour moved towards the text colour until it reads on both backgrounds.
QColor readable(QColor colour, const QColor &text, const QColor &background,
                const QColor &other = {})
{
    for (double share = 0.0; share <= 1.0; share += 0.05) {
        const QColor mixed
            = QColor::fromRgbF(float(colour.redF() * (1 - share) + text.redF() * share),
                               float(colour.greenF() * (1 - share) + text.greenF() * share),
                               float(colour.blueF() * (1 - share) + text.blueF() * share));
        if (DuzUdozuzeCellStyle::contrast(mixed, background) >= Enough
            && (!other.isValid() || DuzUdozuzeCellStyle::contrast(mixed, other) >= Enough))
            return mixed;
    }
    return text;
}

} // namespace

double DuzUdozuzeCellStyle::contrast(const QColor &first, const QColor &second)
{
    const double a = luminance(first) + 0.05;
    const double b = luminance(second) + 0.05;
    return a > b ? a / b : b / a;
}

DuzUdozuzeCellStyle DuzUdozuzeCellStyle::of(Kind kind, const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const bool dark = base.lightnessF() < 0.5;
    switch (kind) {
    case Kind::Normal:
    case Kind::Own:
        return {text, {}};
    case Kind::Stale:
        // Half way to the background, as far as it still reads.
        return {readable(QColor::fromRgbF(float((text.redF() + base.redF()) / 2),
                                          float((text.greenF() + base.greenF()) / 2),
                                          float((text.blueF() + base.blueF()) / 2)),
                         text, base, palette.color(QPalette::Window)),
                {}};
    case Kind::HealthyClaim: {
        // Saturated, never pale: a pale tint passes for the selection.
        const QColor amber = dark ? QColor(0xc2, 0x74, 0x00) : QColor(0xff, 0xb3, 0x00);
        return {textFor(amber), amber};
    }
    case Kind::UnhealthyClaim: {
        const QColor red = dark ? QColor(0x8b, 0x1a, 0x1a) : QColor(0xff, 0xb4, 0xb4);
        return {textFor(red), red};
    }
    case Kind::Warning:
        // In the dock's list (on Base) and in the status bar (on Window).
        return {readable(dark ? QColor(0xff, 0x70, 0x70) : QColor(0xc0, 0x00, 0x00), text,
                         palette.color(QPalette::Window), base),
                {}};
    }
    return {text, {}};
}
