// SPDX-License-Identifier: MIT
#include "app/duzudozuzelogview.h"
#include "app/duzudozuzemainwindow.h"
#include "common/duzudozuzeipv4.h"
#include "common/duzudozuzelogline.h"
#include "testsupport.h"

#include <QtTest>

// The log line: its time, its text and its limit, on a logger of its own;
// then the window as a sink.
class TestLogLine : public QObject, private DuzUdozuzeLogger
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lineIsTimeBlankText();
    void timeIsLocalTimeOfDay();
    void addressText();
    void messageLength_data();
    void messageLength();
    void percentInsideValueStaysLiteral();
    void sameMillisecondKeepsOrder();
    void debugMessageAppendsTextOnly();
    void debugPrintfPrefixesWithoutTime();
    void markupShowsLiterally();
    void linesAppearOnNextPass();
    void escaped_data();
    void escaped();

private:
    void logLine(const QString &line) override { lines.append(line); }
    void openWindow();
    QStringList logLines() const;
    QStringList lines; // logged through this test's own logPrintf
    std::unique_ptr<DuzUdozuzeMainWindow> window;
    DuzUdozuzeLogView *log = nullptr;
};

void TestLogLine::init()
{
    lines.clear();
}

void TestLogLine::openWindow()
{
    window = std::make_unique<DuzUdozuzeMainWindow>(
        QStringList {QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0")});
    log = window->findChild<DuzUdozuzeLogView *>(QStringLiteral("m_editMain"));
    QVERIFY(log);
    log->clear();
}

void TestLogLine::cleanup()
{
    window.reset();
}

QStringList TestLogLine::logLines() const
{
    window->flushLog();
    return log->toPlainText().split(QLatin1Char('\n'));
}

void TestLogLine::lineIsTimeBlankText()
{
    logPrintf("Can't bind UDP listen socket");
    const QString line = lines.constLast();
    QVERIFY2(QRegularExpression(QStringLiteral("^([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d\\.\\d{3} $"))
                 .match(line.left(13))
                 .hasMatch(),
             qPrintable(line));
    QCOMPARE(line.mid(13), QStringLiteral("Can't bind UDP listen socket"));
}

void TestLogLine::timeIsLocalTimeOfDay()
{
    const QTime before = QTime::currentTime();
    const QTime logged = QTime::fromString(DuzUdozuzeLogLine::timeText(), u"hh:mm:ss.zzz");
    const QTime after = QTime::currentTime();
    QVERIFY(logged.isValid());
    // Within the two readings of the clock (or across midnight between them).
    if (before <= after)
        QVERIFY2(before <= logged && logged <= after, qPrintable(logged.toString()));
}

// The sender's address as lines quote it: one, two and three digits, and 0.
void TestLogLine::addressText()
{
    QCOMPARE(duzUdozuzeIpv4Text(0), QStringLiteral("0.0.0.0"));
    QCOMPARE(duzUdozuzeIpv4Text(0x7F640A09), QStringLiteral("127.100.10.9"));
    QCOMPARE(duzUdozuzeIpv4Text(0x7F000A63), QStringLiteral("127.0.10.99"));
}

void TestLogLine::messageLength_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("logged");
    QTest::newRow("exactly 4095") << 4095 << 4095;
    QTest::newRow("4096 is cut") << 4096 << 4095;
    QTest::newRow("far past the buffer") << 100000 << 4095;
}

void TestLogLine::messageLength()
{
    QFETCH(int, length);
    QFETCH(int, logged);
    const QByteArray value(length, 'x');
    logPrintf("%s", value.constData());
    QCOMPARE(lines.constLast().mid(13), QString(logged, QLatin1Char('x')));
}

void TestLogLine::percentInsideValueStaysLiteral()
{
    logPrintf("Socket control not recognized '%s'", "/x=%n%s%d%%");
    QCOMPARE(lines.constLast().mid(13),
             QStringLiteral("Socket control not recognized '/x=%n%s%d%%'"));
}

void TestLogLine::sameMillisecondKeepsOrder()
{
    for (int i = 0; i < 50; ++i)
        logPrintf("line %d", i);
    QCOMPARE(lines.size(), 50);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(lines.at(i).mid(13), QStringLiteral("line %1").arg(i));
}

void TestLogLine::debugMessageAppendsTextOnly()
{
    openWindow();
    static_cast<IDebug *>(window.get())
        ->debugMessage(4, 1, QStringLiteral("PREFIX"), QStringLiteral("just this"));
    QCOMPARE(logLines(), QStringList {QStringLiteral("just this")});
}

namespace {
void callDebugPrintf(IDebug *sink, const QString &prefix, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    sink->debugPrintf(4, 1, prefix, format, args);
    va_end(args);
}
} // namespace

void TestLogLine::debugPrintfPrefixesWithoutTime()
{
    openWindow();
    callDebugPrintf(window.get(), QStringLiteral("pre:"), "value %d of '%s'", 5, "five");
    callDebugPrintf(window.get(), QString(), "%s", QByteArray(6000, 'y').constData());
    const QStringList shown = logLines();
    QCOMPARE(shown.at(0), QStringLiteral("pre:value 5 of 'five'"));
    // No fixed limit here: the buffer is sized from the message.
    QCOMPARE(shown.at(1), QString(6000, QLatin1Char('y')));
}

void TestLogLine::markupShowsLiterally()
{
    openWindow();
    window->logPrintf("Received '%s'", "<b>x</b> &amp; <a href=\"y\">z</a>");
    window->flushLog();
    QCOMPARE(log->rowCount(), 1);
    QCOMPARE(logLines().constLast().mid(13),
             QStringLiteral("Received '<b>x</b> &amp; <a href=\"y\">z</a>'"));
}

void TestLogLine::linesAppearOnNextPass()
{
    openWindow();
    for (int i = 0; i < 3; ++i)
        window->logPrintf("pass %d", i);
    // Gathered for a moment, then appended together, in order.
    QCOMPARE(log->rowCount(), 0);
    QTRY_COMPARE(log->rowCount(), 3);
    QCOMPARE(log->rowText(DuzUdozuzeLogRow(log->rowCount() - 1)).mid(13), QStringLiteral("pass 2"));
}

void TestLogLine::escaped_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("plain") << QByteArray("NA:a:b:1:2:OK") << QByteArray("NA:a:b:1:2:OK");
    QTest::newRow("line ends") << QByteArray("a\r\nb") << QByteArray("a\\r\\nb");
    QTest::newRow("tab") << QByteArray("a\tb") << QByteArray("a\\tb");
    QTest::newRow("other control")
        << QByteArray("\x01\x1f\x7f", 3) << QByteArray("\\x01\\x1F\\x7F");
    QTest::newRow("zero byte") << QByteArray("a\0b", 3) << QByteArray("a\\x00b");
    QTest::newRow("C1 controls") << QByteArray("\x80\x9b[2J\x9f")
                                 << QByteArray("\\x80\\x9B[2J\\x9F");
    QTest::newRow("latin-1 kept") << QByteArray("\xe9\xff") << QByteArray("\xe9\xff");
}

void TestLogLine::escaped()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, shown);
    QCOMPARE(DuzUdozuzeLogLine::escaped(text), shown);
}

QTEST_MAIN(TestLogLine)
#include "tst_logline.moc"
