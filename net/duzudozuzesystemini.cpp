// SPDX-License-Identifier: MIT
#include "net/duzudozuzesystemini.h"

QString DuzUdozuzeSystemIni::path(const QString &root, const QString &system)
{
    return root + QLatin1Char('/') + system + QLatin1String("/config/system/velk_system.ini");
}

std::optional<int> DuzUdozuzeSystemIni::toChannel(const QByteArray &text)
{
    const QByteArray number = text.trimmed();
    qsizetype first = (number.startsWith('+') || number.startsWith('-')) ? 1 : 0;
    if (first == number.size())
        return std::nullopt;
    for (qsizetype i = first; i < number.size(); ++i) {
        if (number[i] < '0' || number[i] > '9')
            return std::nullopt;
    }
    bool ok = false;
    const int value = number.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}
