// SPDX-License-Identifier: MIT
#include "net/duzudozuzerecordoptions.h"

#include "common/duzudozuzesettings.h"

#include <QDateTime>
#include <QRegularExpression>

#include <limits>

std::optional<qint64> DuzUdozuzeRecordOptions::size(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,12})([kmg]?)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch found = pattern.match(text);
    if (!found.hasMatch())
        return std::nullopt;
    static const QString units = QStringLiteral("kmg");
    const int shift = found.captured(2).isEmpty()
        ? 0
        : 10 * int(units.indexOf(found.captured(2).toLower()) + 1);
    const qint64 number = found.captured(1).toLongLong();
    // Past 63 bits a shift is undefined, and was taken as 1G.
    if (number <= 0 || number > std::numeric_limits<qint64>::max() >> shift)
        return std::nullopt;
    return number << shift;
}

std::optional<qint64> DuzUdozuzeRecordOptions::time(const QString &text)
{
    const QDateTime time = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    return time.toMSecsSinceEpoch();
}

bool DuzUdozuzeRecordOptions::apply(DuzUdozuzeControlString::Option option, const QString &value,
                                    DuzUdozuzeSettings &settings)
{
    using Option = DuzUdozuzeControlString::Option;
    std::optional<qint64> number;
    switch (option) {
    case Option::Record:
        settings.m_strRecordPath = value;
        return true;
    case Option::RecordFile:
    case Option::RecordTotal:
        number = size(value);
        break;
    case Option::From:
    case Option::Until:
        number = time(value);
        break;
    default:
        return false;
    }
    if (!number)
        return false;
    (option == Option::RecordFile        ? settings.m_nRecordFileSize
         : option == Option::RecordTotal ? settings.m_nRecordTotalSize
         : option == Option::From        ? settings.m_nReadFrom
                                         : settings.m_nReadUntil)
        = *number;
    return true;
}
