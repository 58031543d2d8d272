// SPDX-License-Identifier: MIT
#include "common/duzudozuzesettings.h"
#include "net/duzudozuzecontrolstring.h"
#include "netsupport.h"

#include <QtTest>

// The control string, option by option: the result, the lines logged and the
// settings afterwards. In the tables %ROOT% is a root whose system "north"
// gives channel 3, %ROOT2% one that gives channel 7 and %EMPTY% one without a
// system INI file; the workstation is 7 and the local addresses are two.
class TestControlString : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void contains_data();
    void contains();
    void filterExpressions_data();
    void filterExpressions();
    void captureArguments();

private:
    QString expand(QString text) const;
    HostInstallation root;
    HostInstallation root2;
    HostInstallation empty;
};

namespace {

QString setting(const DuzUdozuzeSettings &s, const QString &key)
{
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    if (key == QLatin1String("broadcast"))
        return flag(s.m_bBroadcast);
    if (key == QLatin1String("reuse"))
        return flag(s.m_bReuseAddress);
    if (key == QLatin1String("host"))
        return s.m_strHostAddress;
    if (key == QLatin1String("to"))
        return s.m_strSendAddress;
    if (key == QLatin1String("port"))
        return QString::number(s.m_nPort);
    if (key == QLatin1String("alarmsystemfilter"))
        return s.m_reAlarmSystemFilter.pattern();
    if (key == QLatin1String("alarmsystemcase"))
        return flag(s.m_reAlarmSystemFilter.patternOptions()
                    & QRegularExpression::CaseInsensitiveOption);
    if (key == QLatin1String("root"))
        return s.m_strHxRoot;
    if (key == QLatin1String("system"))
        return s.m_strHxSystem;
    if (key == QLatin1String("systemfilter"))
        return s.m_reHxSystemFilter.pattern();
    if (key == QLatin1String("systemcase"))
        return flag(s.m_reHxSystemFilter.patternOptions()
                    & QRegularExpression::CaseInsensitiveOption);
    if (key == QLatin1String("workstationfilter"))
        return QString::number(s.m_nWorkstationFilter);
    if (key == QLatin1String("channelfilter"))
        return QString::number(s.m_nChannelFilter);
    if (key == QLatin1String("channel"))
        return QString::number(s.m_nChannel);
    if (key == QLatin1String("respond"))
        return flag(s.m_bRespond);
    if (key == QLatin1String("auto"))
        return flag(s.m_bAutoRespond);
    if (key == QLatin1String("ok"))
        return flag(s.m_bOkAtStart);
    if (key == QLatin1String("maxlines"))
        return QString::number(s.m_nMaxLines);
    if (key == QLatin1String("metrics"))
        return s.m_strMetricsPath;
    if (key == QLatin1String("read"))
        return s.m_strCapturePath;
    if (key == QLatin1String("follow"))
        return flag(s.m_bFollowCapture);
    if (key == QLatin1String("silence"))
        return QString::number(s.m_nSilenceTime);
    if (key == QLatin1String("http"))
        return s.m_strHttpAddress + QLatin1Char(':') + QString::number(s.m_nHttpPort);
    qFatal("unknown setting %s", qPrintable(key));
}

QString regularExpressionError(const QString &pattern)
{
    return QRegularExpression(pattern).errorString();
}

// A setting's text only: nothing is sent.
const QString sendToAll = QStringLiteral("to=255.255.255.255"); // no namespace needed

const QStringList twoAddresses {QStringLiteral("10.0.0.5"), QStringLiteral("10.0.0.6")};

} // namespace

void TestControlString::initTestCase()
{
    root.writeNetwork(QStringLiteral("north"), "Fire", 3);
    root2.writeNetwork(QStringLiteral("north"), "Fire", 7);
}

QString TestControlString::expand(QString text) const
{
    return text.replace(QLatin1String("%ROOT2%"), root2.root())
        .replace(QLatin1String("%ROOT%"), root.root())
        .replace(QLatin1String("%EMPTY%"), empty.root());
}

void TestControlString::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("settings"); // key=value after the parse

    const QStringList none;
    const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    // The list as a whole.
    row("empty list") << none << none << true << none
                      << QStringList {"broadcast=true",   "reuse=true",
                                      "host=0.0.0.0",     sendToAll,
                                      "port=9208",        "alarmsystemfilter=",
                                      "systemfilter=.*",  "workstationfilter=-1",
                                      "channelfilter=-1", "respond=false",
                                      "auto=false",       "ok=true",
                                      "maxlines=1000000", "root=%ROOT%"};
    row("! skips") << QStringList {"!/port=1"} << none << true << none << QStringList {"port=9208"};
    row("! skips even a bad one") << QStringList {"!nonsense"} << none << true << none << none;
    row("empty argument") << QStringList {""} << none << false
                          << QStringList {"Socket control not recognized ''"} << none;
    row("unknown in the middle") << QStringList {"/port=1", "/bogus", "/reuse=0"} << none << false
                                 << QStringList {"Socket control not recognized '/bogus'"}
                                 << QStringList {"port=1", "reuse=false"};
    row("later overrides earlier")
        << QStringList {"/port=1", "/port=2"} << none << true << none << QStringList {"port=2"};
    row("a root is all root") << QStringList {"/hx_root=%EMPTY%/port=5"} << none << true
                              << QStringList {"HX_ROOT override = '%EMPTY%/port=5'",
                                              "Not a valid channel number: ''",
                                              "No Channel filter override. Continue to use -1."}
                              << QStringList {"port=9208", "root=%EMPTY%/port=5"};
    row("key in any case") << QStringList {"/PORT=80", "/Respond"} << none << true << none
                           << QStringList {"port=80", "respond=true"};
    row("key found anywhere") << QStringList {"xx/port=81yy"} << none << true << none
                              << QStringList {"port=81"};

    // Booleans.
    row("broadcast off") << QStringList {"/broadcast=OFF"} << none << true << none
                         << QStringList {"broadcast=false"};
    row("broadcast enable") << QStringList {"/broadcast=no", "/broadcast=Enable"} << none << true
                            << none << QStringList {"broadcast=true"};
    row("broadcast onward") << QStringList {"/broadcast=0", "/broadcast=onward"} << none << true
                            << none << QStringList {"broadcast=true"};
    row("broadcast maybe") << QStringList {"/broadcast=maybe"} << none << false
                           << QStringList {"Socket control not recognized '/broadcast=maybe'"}
                           << QStringList {"broadcast=true"};
    row("reuse words") << QStringList {"/reuse=disable"} << none << true << none
                       << QStringList {"reuse=false"};
    row("reuse yes") << QStringList {"/reuse=0", "/reuse=YES"} << none << true << none
                     << QStringList {"reuse=true"};

    // Host.
    row("host null") << QStringList {"/host=127.0.0.1", "/host=NULL"} << none << true << none
                     << QStringList {"host=0.0.0.0"};
    row("host dotted") << QStringList {"/host=127.0.0.1"} << none << true << none
                       << QStringList {"host=127.0.0.1"};
    row("host port suffix") << QStringList {"/host=10.0.0.1:99"} << none << true << none
                            << QStringList {"host=10.0.0.1"};
    row("host out of range") << QStringList {"/host=300.1.1.1"} << none << false
                             << QStringList {"Not valid host address: '300.1.1.1'"}
                             << QStringList {"host=0.0.0.0"};
    row("host letters lower-cased")
        << QStringList {"/host=A.B.C.D"} << none << false
        << QStringList {"Not valid host address: 'a.b.c.d'"} << QStringList {"host=0.0.0.0"};
    row("host leading zero") << QStringList {"/host=010.0.0.1"} << none << false
                             << QStringList {"Not valid host address: '010.0.0.1'"} << none;
    row("host my:1 of two") << QStringList {"/host=my:1"} << twoAddresses << true << none
                            << QStringList {"host=10.0.0.6"};
    row("host my:0 of two") << QStringList {"/host=MY:0"} << twoAddresses << true << none
                            << QStringList {"host=10.0.0.5"};
    row("host my:2 of two") << QStringList {"/host=my:2"} << twoAddresses << false
                            << QStringList {"Host address using 'my:' syntax.  Index 2 not valid.  "
                                            "Must be 0 to 1."}
                            << QStringList {"host=0.0.0.0"};
    row("host my:0 of none") << QStringList {"/host=my:0"} << none << false
                             << QStringList {"Host address using 'my:' syntax.  Index 0 not "
                                             "valid.  Must be 0 to -1."}
                             << none;
    row("host my: past 32 bits")
        << QStringList {"/host=my:99999999999"} << twoAddresses << false
        << QStringList {"Host address using 'my:' syntax.  Index '99999999999' not valid.  "
                        "Must be integer. (0 to 1)."}
        << none;
    row("host my: entry not an address")
        << QStringList {"/host=my:0"} << QStringList {"fe80::1"} << false
        << QStringList {"Not valid host address from 'my' list: 'fe80::1'"}
        << QStringList {"host=0.0.0.0"};
    row("host nothing") << QStringList {"/host="} << none << false
                        << QStringList {"Socket control not recognized '/host='"} << none;

    // Send address.
    row("to all") << QStringList {"/to=127.0.0.1", "/to=ALL"} << none << true << none
                  << QStringList {sendToAll};
    row("to dotted") << QStringList {"/to=127.0.0.9"} << none << true << none
                     << QStringList {"to=127.0.0.9"};
    row("to short form") << QStringList {"/to=1.2.3"} << none << false
                         << QStringList {"Socket control not recognized '/to=1.2.3'"}
                         << QStringList {sendToAll};
    row("to out of range") << QStringList {"/to=1.2.3.999"} << none << false
                           << QStringList {"Not valid send address: '1.2.3.999'"}
                           << QStringList {sendToAll};
    row("to ipv6") << QStringList {"/to=::1"} << none << false
                   << QStringList {"Socket control not recognized '/to=::1'"} << none;

    // Port.
    row("port highest") << QStringList {"/port=65535"} << none << true << none
                        << QStringList {"port=65535"};
    row("port past 16 bits") << QStringList {"/port=70000"} << none << false
                             << QStringList {"Not valid port: '70000'"}
                             << QStringList {"port=9208"};
    row("port past 32 bits") << QStringList {"/port=99999999999"} << none << false
                             << QStringList {"Not valid port: '99999999999'"}
                             << QStringList {"port=9208"};
    row("port negative") << QStringList {"/port=-1"} << none << false
                         << QStringList {"Socket control not recognized '/port=-1'"} << none;
    row("port nothing") << QStringList {"/port="} << none << false
                        << QStringList {"Socket control not recognized '/port='"} << none;

    // Alarm system filter.
    row("alarm system") << QStringList {"/alarmsystem=Fi.e"} << none << true
                        << QStringList {"Alarm System == Fi.e"}
                        << QStringList {"alarmsystemfilter=Fi.e", "alarmsystemcase=false"};
    row("alarm system empty") << QStringList {"/alarmsystem=x", "/alarmsystem="} << none << true
                              << QStringList {"Alarm System == x", "Alarm System == "}
                              << QStringList {"alarmsystemfilter="};
    row("alarm system bad expression")
        << QStringList {"/alarmsystem=("} << none << false
        << QStringList {"Alarm System == (",
                        "Alarm System RE is not valid. '(' " + regularExpressionError("(")}
        << QStringList {"alarmsystemfilter=", "alarmsystemcase=true"};

    // Root and system overrides.
    row("root nothing") << QStringList {"/hx_root="} << none << false
                        << QStringList {"Socket control not recognized '/hx_root='"}
                        << QStringList {"root=%ROOT%"};
    row("root with channel") << QStringList {"/hx_root=%ROOT2%"} << none << true
                             << QStringList {"HX_ROOT override = '%ROOT2%'",
                                             "Channel filter override = '7'"}
                             << QStringList {"root=%ROOT2%", "channelfilter=7", "channel=-1"};
    row("root without ini") << QStringList {"/hx_root=%EMPTY%"} << none << true
                            << QStringList {"HX_ROOT override = '%EMPTY%'",
                                            "Not a valid channel number: ''",
                                            "No Channel filter override. Continue to use -1."}
                            << QStringList {"root=%EMPTY%", "channelfilter=-1"};
    row("system filter") << QStringList {"/hx_system=No.th"} << none << true
                         << QStringList {"HX_SYSTEM override = 'No.th'",
                                         "Channel filter override = '3'"}
                         << QStringList {"systemfilter=No.th", "systemcase=false", "system=north",
                                         "channelfilter=3"};
    row("system filter empty") << QStringList {"/hx_system="} << none << true
                               << QStringList {"HX_SYSTEM override = ''",
                                               "Channel filter override = '3'"}
                               << QStringList {"systemfilter="};
    row("system filter without ini")
        << QStringList {"/hx_root=%EMPTY%", "/hx_system=x"} << none << true
        << QStringList {"HX_ROOT override = '%EMPTY%'",
                        "Not a valid channel number: ''",
                        "No Channel filter override. Continue to use -1.",
                        "HX_SYSTEM override = 'x'",
                        "Not a valid channel number: ''",
                        "No Channel filter override. Continue to use -1."}
        << QStringList {"systemfilter=x"};
    row("system filter bad expression")
        << QStringList {"/hx_system=["} << none << false
        << QStringList {"HX_SYSTEM override = '['",
                        "HX_SYSTEM RE is not valid. '[' " + regularExpressionError("[")}
        << QStringList {"systemfilter=.*", "channelfilter=-1"};

    // Workstation filter.
    row("workstation me") << QStringList {"/workstation=me"} << none << true
                          << QStringList {"Workstation filter override = me"}
                          << QStringList {"workstationfilter=7"};
    row("workstation ME") << QStringList {"/workstation=ME"} << none << false
                          << QStringList {"Not a valid workstation number: 'ME'",
                                          "Workstation filter override = '0'"}
                          << QStringList {"workstationfilter=0"};
    row("workstation all") << QStringList {"/workstation=5", "/workstation=all"} << none << true
                           << QStringList {"Workstation filter override = '5'",
                                           "Workstation filter override = all"}
                           << QStringList {"workstationfilter=-1"};
    row("workstation star") << QStringList {"/workstation=*"} << none << true
                            << QStringList {"Workstation filter override = all"}
                            << QStringList {"workstationfilter=-1"};
    row("workstation digits then letters") << QStringList {"/workstation=12abc"} << none << true
                                           << QStringList {"Workstation filter override = '12'"}
                                           << QStringList {"workstationfilter=12"};
    row("workstation past 32 bits") << QStringList {"/workstation=99999999999"} << none << false
                                    << QStringList {"Not a valid workstation number: '99999999999'",
                                                    "Workstation filter override = '0'"}
                                    << QStringList {"workstationfilter=0"};

    // Channel filter.
    row("channel number") << QStringList {"/channel=5"} << none << true
                          << QStringList {"Channel filter override = 5"}
                          << QStringList {"channelfilter=5"};
    row("channel all") << QStringList {"/channel=5", "/channel=*"} << none << true
                       << QStringList {"Channel filter override = 5",
                                       "Channel filter override = all = -1"}
                       << QStringList {"channelfilter=-1"};
    row("channel ALL") << QStringList {"/channel=ALL"} << none << false
                       << QStringList {"Not a valid channel filter number: 'ALL'. Continue to use "
                                       "-1."}
                       << QStringList {"channelfilter=-1"};
    row("channel me") << QStringList {"/channel=me"} << none << true
                      << QStringList {"Channel filter override = mine = 3"}
                      << QStringList {"channelfilter=3", "channel=-1"};
    row("channel me without ini")
        << QStringList {"/hx_root=%EMPTY%", "/channel=me"} << none << true
        << QStringList {"HX_ROOT override = '%EMPTY%'", "Not a valid channel number: ''",
                        "No Channel filter override. Continue to use -1.",
                        "Not a valid channel number: ''",
                        "Channel filter override not valid. Continue to use -1."}
        << QStringList {"channelfilter=-1"};
    row("channel past 32 bits")
        << QStringList {"/channel=4", "/channel=99999999999"} << none << false
        << QStringList {"Channel filter override = 4",
                        "Not a valid channel filter number: '99999999999'. Continue to use "
                        "4."}
        << QStringList {"channelfilter=4"};
    row("channel then root") << QStringList {"/channel=5", "/hx_root=%ROOT2%"} << none << true
                             << QStringList {"Channel filter override = 5",
                                             "HX_ROOT override = '%ROOT2%'",
                                             "Channel filter override = '7'"}
                             << QStringList {"channelfilter=7"};
    row("root then channel") << QStringList {"/hx_root=%ROOT2%", "/channel=5"} << none << true
                             << QStringList {"HX_ROOT override = '%ROOT2%'",
                                             "Channel filter override = '7'",
                                             "Channel filter override = 5"}
                             << QStringList {"channelfilter=5"};

    // Respond.
    row("respond with a value") << QStringList {"/respond=no"} << none << true << none
                                << QStringList {"respond=true"};

    // Operator options, tried after the socket's own.
    row("auto on") << QStringList {"/auto=1"} << none << true << none << QStringList {"auto=true"};
    row("ok off") << QStringList {"/OK=off"} << none << true << none << QStringList {"ok=false"};
    row("maxlines") << QStringList {"/maxlines=100000"} << none << true << none
                    << QStringList {"maxlines=100000"};
    row("maxlines zero: no limit")
        << QStringList {"/maxlines=0"} << none << true << none << QStringList {"maxlines=0"};
    row("metrics") << QStringList {"/metrics=/run/duzudozuze/m.prom"} << none << true << none
                   << QStringList {"metrics=/run/duzudozuze/m.prom"};
    row("a path is a path") << QStringList {"/READ=/home/op/console/responder.pcap",
                                            "/metrics=/srv/auto=1/m.prom"}
                            << none << true << none
                            << QStringList {"read=/home/op/console/responder.pcap",
                                            "metrics=/srv/auto=1/m.prom", "respond=false",
                                            "auto=false"};
    row("http") << QStringList {"/HTTP=127.0.0.1:9209"} << none << true << none
                << QStringList {"http=127.0.0.1:9209"};
    for (const char *value : {"9209", ":9209", "localhost:9209", "0.0.0.0:0", "0.0.0.0:65536",
                              "0.0.0.0:+1", "[::1]:9209"}) {
        const QString argument = QStringLiteral("/http=") + QLatin1String(value);
        row(value) << QStringList {argument} << none << false
                   << QStringList {QStringLiteral("Not valid HTTP address: '%1'").arg(value)}
                   << QStringList {"http=:0"};
    }
    row("silence") << QStringList {"/silence=0"} << none << true << none
                   << QStringList {"silence=0"};
    row("silence past a day") << QStringList {"/silence=86401"} << none << false
                              << QStringList {"Socket control not recognized '/silence=86401'"}
                              << QStringList {"silence=30"};
    row("read and follow") << QStringList {"/read=-", "/Follow"} << none << true << none
                           << QStringList {"read=-", "follow=true"};
    row("recording's total past 63 bits")
        << QStringList {"/recordtotal=17179869185g"} << none << false
        << QStringList {"Socket control not recognized '/recordtotal=17179869185g'"} << none;
    row("maxlines past 32 bits")
        << QStringList {"/maxlines=99999999999"} << none << false
        << QStringList {"Socket control not recognized '/maxlines=99999999999'"} << none;
    row("auto malformed") << QStringList {"/auto=perhaps"} << none << false
                          << QStringList {"Socket control not recognized '/auto=perhaps'"}
                          << QStringList {"auto=false"};
    row("console and help log nothing")
        << QStringList {"/console", "--help", "/?"} << none << true << none << none;
    row("earlier option wins over auto")
        << QStringList {"/hx_system=/auto=1"} << none << true
        << QStringList {"HX_SYSTEM override = '/auto=1'", "Channel filter override = '3'"}
        << QStringList {"systemfilter=/auto=1", "auto=false"};
    // Text from the command line is quoted escaped; the values stay as given.
    row("control bytes quoted escaped")
        << QStringList {"/bogus\x1b]0;x\x07", QString::fromLatin1("/port=\x85"),
                        QString::fromLatin1("/alarmsystem=\x9b"
                                            "31m")}
        << none << false
        << QStringList {"Socket control not recognized '/bogus\\x1B]0;x\\x07'",
                        "Socket control not recognized '/port=\\x85'", "Alarm System == \\x9B31m"}
        << QStringList {QString::fromLatin1("alarmsystemfilter=\x9b"
                                            "31m")};
    row("earlier option wins over maxlines") << QStringList {"/maxlines=9/port=5"} << none << true
                                             << none << QStringList {"port=5", "maxlines=1000000"};
}

void TestControlString::parse()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, addresses);
    QFETCH(bool, result);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, settings);

    DuzUdozuzeSettings s;
    s.m_strHxRoot = root.root();
    s.m_strHxSystem = QStringLiteral("north");
    s.m_nWorkstation = 7;
    FakeLinkContext context;
    context.addresses = addresses;

    for (QString &arg : args)
        arg = expand(arg);
    QCOMPARE(DuzUdozuzeControlString::parse(args, s, context), result);
    QStringList expected;
    for (const QString &line : lines)
        expected.append(expand(line));
    QCOMPARE(context.sink.texts(), expected);
    for (const QString &check : settings) {
        const QString key = check.section(QLatin1Char('='), 0, 0);
        QCOMPARE(key + QLatin1Char('=') + setting(s, key), expand(check));
    }
}

void TestControlString::contains_data()
{
    using Option = DuzUdozuzeControlString::Option;
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("found");
    QTest::newRow("console") << QStringList {"/port=1", "/Console"} << int(Option::Console) << true;
    QTest::newRow("console skipped") << QStringList {"!/console"} << int(Option::Console) << false;
    QTest::newRow("console inside a root")
        << QStringList {"/hx_root=/console"} << int(Option::Console) << false;
    QTest::newRow("console inside a capture path")
        << QStringList {"/read=/home/op/console/inc.pcap"} << int(Option::Console) << false;
    QTest::newRow("help") << QStringList {"-h"} << int(Option::Help) << true;
    QTest::newRow("help words") << QStringList {"/HELP"} << int(Option::Help) << true;
    QTest::newRow("help only whole") << QStringList {"-hx"} << int(Option::Help) << false;
    QTest::newRow("version") << QStringList {"--version"} << int(Option::Version) << true;
}

void TestControlString::contains()
{
    QFETCH(QStringList, args);
    QFETCH(int, option);
    QFETCH(bool, found);
    QCOMPARE(DuzUdozuzeControlString::contains(
                 args, static_cast<DuzUdozuzeControlString::Option>(option)),
             found);
}

// The filters given on the command line read as the toolkit's classic
// expressions did: '.' takes a line break, \w takes Latin-1 letters, and the
// letter case still counts.
void TestControlString::filterExpressions_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("matches");
    QTest::newRow("dot takes a newline") << "/alarmsystem=^a.b$"
                                         << "a\nb" << true;
    QTest::newRow("word takes Latin-1")
        << "/hx_system=^\\w+$" << QString::fromLatin1("Caf\xe9") << true;
    QTest::newRow("case counts") << "/alarmsystem=^fire$"
                                 << "Fire" << false;
}

void TestControlString::filterExpressions()
{
    QFETCH(QString, argument);
    QFETCH(QString, field);
    QFETCH(bool, matches);
    DuzUdozuzeSettings s;
    FakeLinkContext context;
    QVERIFY(DuzUdozuzeControlString::parse({argument}, s, context));
    const QRegularExpression &filter = argument.startsWith(QLatin1String("/alarmsystem"))
        ? s.m_reAlarmSystemFilter
        : s.m_reHxSystemFilter;
    QCOMPARE(filter.match(field).hasMatch(), matches);
}

// Open Capture starts a window of its own that is no live monitor, and does
// not write the first one's metrics file.
void TestControlString::captureArguments()
{
    QCOMPARE(
        DuzUdozuzeControlString::captureArguments(
            {QStringLiteral("/auto=1"), QStringLiteral("/port=9406"), QStringLiteral("/respond"),
             QStringLiteral("/console"), QStringLiteral("/ok=0"),
             QStringLiteral("/metrics=/run/m.prom"), QStringLiteral("/http=127.0.0.1:9209"),
             QStringLiteral("/read=/home/op/console/responder.pcap"), QStringLiteral("/follow")},
            QStringLiteral("b.pcap")),
        QStringList(
            {QStringLiteral("/ok=0"), QStringLiteral("/port=0"), QStringLiteral("/read=b.pcap")}));
}

QTEST_GUILESS_MAIN(TestControlString)
#include "tst_controlstring.moc"
