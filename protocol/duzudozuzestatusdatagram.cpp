// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzestatusdatagram.h"

#include "common/duzudozuzewiretext.h"

#include <cstring>

QString DuzUdozuzeStatusDatagram::healthWordFor(bool ok)
{
    return ok ? QStringLiteral("OK") : QStringLiteral("Fail");
}

QByteArray DuzUdozuzeStatusDatagram::format(const QString &code, const QString &system,
                                            const QString &alarmSystem, int workstation,
                                            int channel, bool ok)
{
    return compose(code, system, alarmSystem, QString::number(workstation),
                   QString::number(channel), healthWordFor(ok));
}

QByteArray DuzUdozuzeStatusDatagram::compose(const QString &code, const QString &system,
                                             const QString &alarmSystem, const QString &workstation,
                                             const QString &channel, const QString &healthWord)
{
    QByteArray text;
    for (const QString *field : {&code, &system, &alarmSystem, &workstation, &channel, &healthWord})
        text += duzUdozuzeWireBytes(*field) + ':';
    text.chop(1);
    return text;
}

std::optional<DuzUdozuzeStatusDatagram> DuzUdozuzeStatusDatagram::parse(const QString &text)
{
    return parse(QByteArrayView(text.toLatin1()));
}

std::optional<DuzUdozuzeStatusDatagram> DuzUdozuzeStatusDatagram::parse(QByteArrayView bytes)
{
    DuzUdozuzeStatusDatagram datagram;
    if (!parse(bytes, datagram))
        return std::nullopt;
    return datagram;
}

namespace {

// Whether a field already reads as the piece of the datagram does.
bool sameText(const QString &field, QByteArrayView piece)
{
    if (field.size() != piece.size())
        return false;
    const QChar *unit = field.constData();
    for (const char c : piece) {
        if (unit++->unicode() != uchar(c))
            return false;
    }
    return true;
}

// A number field as QLatin1StringView::toInt() reads it (0 for anything not a
// number); a few plain digits, by far the most common, are read directly.
int number(QByteArrayView piece)
{
    if (piece.size() > 0 && piece.size() < 10) {
        int value = 0;
        for (const char c : piece) {
            if (c < '0' || c > '9')
                return QLatin1StringView(piece).toInt();
            value = value * 10 + (c - '0');
        }
        return value;
    }
    return QLatin1StringView(piece).toInt();
}

} // namespace

// Over the bytes themselves: no list of pieces, only the fields that changed
// made.
bool DuzUdozuzeStatusDatagram::parse(QByteArrayView bytes, DuzUdozuzeStatusDatagram &datagram)
{
    if (bytes.isEmpty())
        return false;
    QByteArrayView pieces[6];
    int count = 0;
    const char *const end = bytes.data() + bytes.size();
    for (const char *start = bytes.data();; ++start) {
        const auto *colon = static_cast<const char *>(std::memchr(start, ':', size_t(end - start)));
        if (!colon)
            colon = end;
        if (colon > start) {
            if (count == 6)
                return false;
            pieces[count++] = QByteArrayView(start, colon - start);
        }
        if (colon == end)
            break;
        start = colon;
    }
    if (count != 6)
        return false;
    const auto text = [](QString &field, QByteArrayView piece) {
        if (!sameText(field, piece))
            field = QString::fromLatin1(piece);
    };
    text(datagram.code, pieces[0]);
    text(datagram.system, pieces[1]);
    text(datagram.alarmSystem, pieces[2]);
    datagram.workstation = number(pieces[3]);
    datagram.channel = number(pieces[4]);
    text(datagram.healthWord, pieces[5]);
    return true;
}
