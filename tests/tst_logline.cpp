// SPDX-License-Identifier: MIT
#include "common/duzudozuzeipv4.h"
#include "common/duzudozuzelogger.h"
#include "common/duzudozuzelogline.h"

#include <QRegularExpression>
#include <QtTest>

// The log line: its time, its text and its limit, on a logger of its own.
class TestLogLine : public QObject, private DuzUdozuzeLogger
{
    Q_OBJECT

private slots:
    void init();
    void lineIsTimeBlankText();
    void timeIsLocalTimeOfDay();
    void addressText();
    void messageLength_data();
    void messageLength();
    void percentInsideValueStaysLiteral();
    void sameMillisecondKeepsOrder();
    void escaped_data();
    void escaped();

private:
    void logLine(const QString &line) override { lines.append(line); }
    QStringList lines; // logged through this test's own logPrintf
};

void TestLogLine::init()
{
    lines.clear();
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

QTEST_GUILESS_MAIN(TestLogLine)
#include "tst_logline.moc"
