// SPDX-License-Identifier: MIT
#include "net/duzudozuzecontrolstring.h"

#include "common/duzudozuzelogline.h"
#include "common/duzudozuzesettings.h"
#include "net/duzudozuzeaddress.h"
#include "net/duzudozuzefilteroptions.h"
#include "net/duzudozuzelinkcontext.h"
#include "net/duzudozuzerecordoptions.h"

#include <QRegularExpression>

#include <array>
#include <limits>

namespace {

using Option = DuzUdozuzeControlString::Option;
namespace Filters = DuzUdozuzeFilterOptions;

// The longest silence a warning may wait for: a day.
constexpr int MaxSilenceTime = 24 * 60 * 60;
// Even positions mean true, odd positions false.
const QString BooleanWords = QStringLiteral("1|0|yes|no|on|off|enable|disable");
// Four runs of hexadecimal digits joined by any character; whether the text is
// an address is decided afterwards.
const QString AddressPattern = QStringLiteral("([\\da-f]+.[\\da-f]+.[\\da-f]+.[\\da-f]+)");

struct Pattern
{
    Option option;
    QRegularExpression expression;
    // The value is a path: an argument that starts with the key is this
    // option alone, whatever folders the path names ("/read=/srv/console/a.pcap"
    // is no /console).
    bool path = false;
};

QRegularExpression caseInsensitive(const QString &pattern)
{
    QRegularExpression expression(pattern,
                                  QRegularExpression::CaseInsensitiveOption
                                      | QRegularExpression::DotMatchesEverythingOption);
    expression.optimize();
    return expression;
}

const std::array<Pattern, 28> &patterns()
{
    const QString booleanGroup = QLatin1Char('(') + BooleanWords + QLatin1Char(')');
    static const std::array<Pattern, 28> table {{
        {Option::Broadcast, caseInsensitive(QStringLiteral("/broadcast=") + booleanGroup)},
        {Option::Reuse, caseInsensitive(QStringLiteral("/reuse=") + booleanGroup)},
        {Option::Host,
         caseInsensitive(QStringLiteral("/host=(") + AddressPattern
                         + QStringLiteral("|null|my:(\\d+))"))},
        {Option::To,
         caseInsensitive(QStringLiteral("/to=(") + AddressPattern + QStringLiteral("|all)"))},
        {Option::Port, caseInsensitive(QStringLiteral("/port=(\\d+)"))},
        {Option::AlarmSystem, caseInsensitive(QStringLiteral("/alarmsystem=(.*)"))},
        {Option::HxRoot, caseInsensitive(QStringLiteral("/hx_root=(.+)")), true},
        {Option::HxSystem, caseInsensitive(QStringLiteral("/hx_system=(.*)"))},
        {Option::Workstation, caseInsensitive(QStringLiteral("/workstation=(\\d+|me|all|\\*)"))},
        {Option::Channel, caseInsensitive(QStringLiteral("/channel=(\\d+|me|all|\\*)"))},
        {Option::Respond, caseInsensitive(QStringLiteral("/respond"))},
        {Option::Auto, caseInsensitive(QStringLiteral("/auto=") + booleanGroup)},
        {Option::Ok, caseInsensitive(QStringLiteral("/ok=") + booleanGroup)},
        {Option::MaxLines, caseInsensitive(QStringLiteral("/maxlines=(\\d+)"))},
        {Option::Silence, caseInsensitive(QStringLiteral("/silence=(\\d+)"))},
        {Option::Console, caseInsensitive(QStringLiteral("/console"))},
        {Option::Metrics, caseInsensitive(QStringLiteral("/metrics=(.+)")), true},
        {Option::Timeline, caseInsensitive(QStringLiteral("/timeline=(.+)")), true},
        {Option::Http, caseInsensitive(QStringLiteral("/http=(.*)"))},
        {Option::Read, caseInsensitive(QStringLiteral("/read=(.+)")), true},
        {Option::Follow, caseInsensitive(QStringLiteral("/follow"))},
        {Option::Record, caseInsensitive(QStringLiteral("/record=(.+)")), true},
        {Option::RecordFile, caseInsensitive(QStringLiteral("/recordfile=(\\w+)"))},
        {Option::RecordTotal, caseInsensitive(QStringLiteral("/recordtotal=(\\w+)"))},
        {Option::From, caseInsensitive(QStringLiteral("/from=(.+)"))},
        {Option::Until, caseInsensitive(QStringLiteral("/until=(.+)"))},
        {Option::Help, caseInsensitive(QStringLiteral("^(--help|-h|/\\?|/help)$"))},
        {Option::Version, caseInsensitive(QStringLiteral("^(--version|/version)$"))},
    }};
    return table;
}

bool isSkipped(const QString &argument)
{
    return argument.startsWith(QLatin1Char('!'));
}

bool booleanValue(const QString &word)
{
    static const QStringList words = BooleanWords.split(QLatin1Char('|'));
    return words.indexOf(word.toLower()) % 2 == 0;
}

// The parse of one list: the settings it writes, the context it logs through
// and the result that folds every error.
class Parser
{
public:
    Parser(DuzUdozuzeSettings &settings, DuzUdozuzeLinkContext &context)
        : s(settings), context(context)
    { }

    void apply(const QString &argument);
    bool result = true;

private:
    void fail() { result = false; }
    void host(const QRegularExpressionMatch &found);
    void to(const QString &value);
    void port(const QString &digits);
    void wholeNumber(const QString &argument, const QString &digits, int highest, int &setting);

    DuzUdozuzeSettings &s;
    DuzUdozuzeLinkContext &context;
};

void Parser::apply(const QString &argument)
{
    QRegularExpressionMatch found;
    const Option option = DuzUdozuzeControlString::match(argument, &found);
    switch (option) {
    case Option::None:
        context.logPrintf("Socket control not recognized '%s'",
                          DuzUdozuzeLogLine::escaped(argument).constData());
        fail();
        break;
    case Option::Broadcast:
        s.m_bBroadcast = booleanValue(found.captured(1));
        break;
    case Option::Reuse:
        s.m_bReuseAddress = booleanValue(found.captured(1));
        break;
    case Option::Host:
        host(found);
        break;
    case Option::To:
        to(found.captured(1).toLower());
        break;
    case Option::Port:
        port(found.captured(1));
        break;
    case Option::AlarmSystem:
        context.logPrintf("Alarm System == %s",
                          DuzUdozuzeLogLine::escaped(found.captured(1)).constData());
        if (!Filters::expression(found.captured(1), s.m_reAlarmSystemFilter,
                                 "Alarm System RE is not valid. '%s' %s", context))
            fail();
        break;
    case Option::HxRoot:
        context.logPrintf("HX_ROOT override = '%s'",
                          DuzUdozuzeLogLine::escaped(found.captured(1)).constData());
        s.m_strHxRoot = found.captured(1);
        Filters::channelFromIni(s, context);
        break;
    case Option::HxSystem:
        context.logPrintf("HX_SYSTEM override = '%s'",
                          DuzUdozuzeLogLine::escaped(found.captured(1)).constData());
        if (Filters::expression(found.captured(1), s.m_reHxSystemFilter,
                                "HX_SYSTEM RE is not valid. '%s' %s", context))
            Filters::channelFromIni(s, context);
        else
            fail();
        break;
    case Option::Workstation:
        if (!Filters::workstation(found.captured(1), s, context))
            fail();
        break;
    case Option::Channel:
        if (!Filters::channel(found.captured(1), s, context))
            fail();
        break;
    case Option::Respond:
        s.m_bRespond = true;
        break;
    case Option::Auto:
        s.m_bAutoRespond = booleanValue(found.captured(1));
        break;
    case Option::Ok:
        s.m_bOkAtStart = booleanValue(found.captured(1));
        break;
    case Option::MaxLines:
        wholeNumber(argument, found.captured(1), std::numeric_limits<int>::max(), s.m_nMaxLines);
        break;
    case Option::Silence:
        wholeNumber(argument, found.captured(1), MaxSilenceTime, s.m_nSilenceTime);
        break;
    case Option::Metrics:
        s.m_strMetricsPath = found.captured(1);
        break;
    case Option::Timeline:
        s.m_strTimelinePath = found.captured(1);
        break;
    case Option::Http:
        if (const auto endpoint = DuzUdozuzeAddress::parseEndpoint(found.captured(1))) {
            s.m_strHttpAddress = DuzUdozuzeAddress::toText(endpoint->address);
            s.m_nHttpPort = endpoint->port;
        } else {
            context.logPrintf("Not valid HTTP address: '%s'",
                              DuzUdozuzeLogLine::escaped(found.captured(1)).constData());
            fail();
        }
        break;
    case Option::Read:
        s.m_strCapturePath = found.captured(1);
        break;
    case Option::Follow:
        s.m_bFollowCapture = true;
        break;
    case Option::Record:
    case Option::RecordFile:
    case Option::RecordTotal:
    case Option::From:
    case Option::Until:
        if (!DuzUdozuzeRecordOptions::apply(option, found.captured(1), s)) {
            context.logPrintf("Socket control not recognized '%s'",
                              DuzUdozuzeLogLine::escaped(argument).constData());
            fail();
        }
        break;
    case Option::Console:
    case Option::Help:
    case Option::Version:
        // The front end acts on these before the station exists.
        break;
    }
}

void Parser::host(const QRegularExpressionMatch &found)
{
    const QString value = found.captured(1).toLower();
    if (value == QLatin1String("null")) {
        s.m_strHostAddress = QStringLiteral("0.0.0.0");
        return;
    }
    if (!value.startsWith(QLatin1String("my:"))) {
        if (DuzUdozuzeAddress::parse(value)) {
            s.m_strHostAddress = value;
        } else {
            context.logPrintf("Not valid host address: '%s'",
                              DuzUdozuzeLogLine::escaped(value).constData());
            fail();
        }
        return;
    }

    const QStringList addresses = context.localAddresses();
    const int last = int(addresses.size()) - 1;
    bool ok = false;
    const uint index = found.captured(3).toUInt(&ok, 10);
    if (!ok) {
        context.logPrintf("Host address using 'my:' syntax.  Index '%s' not valid.  Must be "
                          "integer. (0 to %d).",
                          DuzUdozuzeLogLine::escaped(found.captured(3)).constData(), last);
        fail();
    } else if (index >= uint(addresses.size())) {
        context.logPrintf("Host address using 'my:' syntax.  Index %d not valid.  Must be 0 to %d.",
                          int(index), last);
        fail();
    } else if (DuzUdozuzeAddress::parse(addresses.at(index))) {
        s.m_strHostAddress = addresses.at(index);
    } else {
        context.logPrintf("Not valid host address from 'my' list: '%s'",
                          DuzUdozuzeLogLine::escaped(addresses.at(index)).constData());
        fail();
    }
}

void Parser::to(const QString &value)
{
    if (value == QLatin1String("all")) {
        s.m_strSendAddress = QStringLiteral("255.255.255.255");
    } else if (DuzUdozuzeAddress::parse(value)) {
        s.m_strSendAddress = value;
    } else {
        context.logPrintf("Not valid send address: '%s'",
                          DuzUdozuzeLogLine::escaped(value).constData());
        fail();
    }
}

void Parser::port(const QString &digits)
{
    bool ok = false;
    const int number = digits.toInt(&ok, 10);
    // A number past the 16-bit port range is refused rather than bound on its
    // low 16 bits, a port nobody named.
    if (ok && number <= 0xFFFF) {
        s.m_nPort = number;
    } else {
        context.logPrintf("Not valid port: '%s'", DuzUdozuzeLogLine::escaped(digits).constData());
        fail();
    }
}

// An operator option's number, 0 to highest; any other value refuses the
// whole argument, as a value its pattern does not take does.
void Parser::wholeNumber(const QString &argument, const QString &digits, int highest, int &setting)
{
    bool ok = false;
    const int number = digits.toInt(&ok, 10);
    if (ok && number >= 0 && number <= highest) {
        setting = number;
    } else {
        context.logPrintf("Socket control not recognized '%s'",
                          DuzUdozuzeLogLine::escaped(argument).constData());
        fail();
    }
}

} // namespace

DuzUdozuzeControlString::Option DuzUdozuzeControlString::match(const QString &argument,
                                                               QRegularExpressionMatch *found)
{
    const auto matches = [&](const Pattern &pattern, QRegularExpression::MatchOptions options) {
        QRegularExpressionMatch m
            = pattern.expression.match(argument, 0, QRegularExpression::NormalMatch, options);
        if (m.hasMatch() && found)
            *found = m;
        return m.hasMatch();
    };
    for (const Pattern &pattern : patterns()) {
        if (pattern.path && matches(pattern, QRegularExpression::AnchorAtOffsetMatchOption))
            return pattern.option;
    }
    for (const Pattern &pattern : patterns()) {
        if (matches(pattern, QRegularExpression::NoMatchOption))
            return pattern.option;
    }
    return Option::None;
}

bool DuzUdozuzeControlString::contains(const QStringList &arguments, Option option)
{
    for (const QString &argument : arguments) {
        if (!isSkipped(argument) && match(argument) == option)
            return true;
    }
    return false;
}

QString DuzUdozuzeControlString::value(const QStringList &arguments, Option option)
{
    QString value;
    for (const QString &argument : arguments) {
        QRegularExpressionMatch found;
        if (!isSkipped(argument) && match(argument, &found) == option)
            value = found.captured(1);
    }
    return value;
}

QStringList DuzUdozuzeControlString::captureArguments(const QStringList &arguments,
                                                      const QString &path)
{
    // Nothing that could make it a live monitor, bind a port, answer or write
    // the first program's metrics, even were the capture not read.
    // Nor record into the first one's folder, nor keep its span.
    static const QList<Option> dropped {
        Option::Port,        Option::Respond, Option::Auto,   Option::Console, Option::Metrics,
        Option::Timeline,    Option::Read,    Option::Follow, Option::Record,  Option::RecordFile,
        Option::RecordTotal, Option::From,    Option::Until,  Option::Http};
    QStringList kept;
    for (const QString &argument : arguments) {
        if (!dropped.contains(match(argument)))
            kept.append(argument);
    }
    // Port 0: every UDP port, since a file may come from anywhere.
    return kept << QStringLiteral("/port=0") << QStringLiteral("/read=") + path;
}

bool DuzUdozuzeControlString::parse(const QStringList &arguments, DuzUdozuzeSettings &settings,
                                    DuzUdozuzeLinkContext &context)
{
    Parser parser(settings, context);
    for (const QString &argument : arguments) {
        if (!isSkipped(argument))
            parser.apply(argument);
    }
    return parser.result;
}
