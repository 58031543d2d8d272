// SPDX-License-Identifier: MIT
#include "net/duzudozuzesystemini.h"
#include "netsupport.h"

#include <QtTest>

#include <sys/stat.h>

// The system INI file: where it is, how its values read, and the channel's
// strict integer rule.
class TestSystemIni : public QObject
{
    Q_OBJECT

private slots:
    void path_data();
    void path();
    void channel_data();
    void channel();
    void missingFile();
    void notARegularFile();
    void alarmSystem_data();
    void alarmSystem();
};

void TestSystemIni::path_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("path");
    QTest::newRow("both") << "/sys"
                          << "north"
                          << "/sys/north/config/system/velk_system.ini";
    QTest::newRow("empty system") << "/sys"
                                  << ""
                                  << "/sys//config/system/velk_system.ini";
    QTest::newRow("empty root") << ""
                                << "north"
                                << "/north/config/system/velk_system.ini";
}

void TestSystemIni::path()
{
    QFETCH(QString, root);
    QFETCH(QString, system);
    QFETCH(QString, path);
    QCOMPARE(DuzUdozuzeSystemIni::path(root, system), path);
}

void TestSystemIni::channel_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("logged"); // the text in the failure line

    const QByteArray fortyDigits(40, '9');
    QTest::newRow("plain") << QByteArray("[Network]\nChannel=4\n") << true << 4 << QByteArray();
    QTest::newRow("blanks") << QByteArray("[Network]\nChannel =   12  \r\n") << true << 12
                            << QByteArray();
    QTest::newRow("plus") << QByteArray("[Network]\nChannel=+7\n") << true << 7 << QByteArray();
    QTest::newRow("minus one") << QByteArray("[Network]\nChannel=-1\n") << true << -1
                               << QByteArray();
    QTest::newRow("double quotes")
        << QByteArray("[Network]\nChannel=\"5\"\n") << true << 5 << QByteArray();
    QTest::newRow("single quotes")
        << QByteArray("[Network]\nChannel='6'\n") << true << 6 << QByteArray();
    QTest::newRow("letter case") << QByteArray("[NETWORK]\nchannel=8\n") << true << 8
                                 << QByteArray();
    QTest::newRow("first key counts")
        << QByteArray("[Network]\nChannel=1\nChannel=2\n") << true << 1 << QByteArray();
    QTest::newRow("indented key") << QByteArray("[Network]\nOther=x\n   Channel=9\n") << true << 9
                                  << QByteArray();
    QTest::newRow("comment line") << QByteArray("[Network]\n;Channel=3\nChannel=4\n") << true << 4
                                  << QByteArray();
    QTest::newRow("other section")
        << QByteArray("[Display]\nChannel=4\n[Network]\nChannel=5\n") << true << 5 << QByteArray();
    QTest::newRow("missing key") << QByteArray("[Network]\nOther=4\n") << false << 0
                                 << QByteArray();
    QTest::newRow("missing section")
        << QByteArray("[Display]\nChannel=4\n") << false << 0 << QByteArray();
    QTest::newRow("trailing letters")
        << QByteArray("[Network]\nChannel=12abc\n") << false << 0 << QByteArray("12abc");
    QTest::newRow("hex") << QByteArray("[Network]\nChannel=0x7\n") << false << 0
                         << QByteArray("0x7");
    QTest::newRow("decimal point")
        << QByteArray("[Network]\nChannel=7.0\n") << false << 0 << QByteArray("7.0");
    QTest::newRow("sign alone") << QByteArray("[Network]\nChannel=-\n") << false << 0
                                << QByteArray("-");
    QTest::newRow("forty digits are cut to 31, then too large")
        << QByteArray("[Network]\nChannel=" + fortyDigits + "\n") << false << 0
        << QByteArray(31, '9');
    QTest::newRow("past int") << QByteArray("[Network]\nChannel=2147483648\n") << false << 0
                              << QByteArray("2147483648");
    QTest::newRow("the rest of a long line is no key")
        << QByteArray("[Network]\nAlarmSystem=" + QByteArray(187, 'x') + "Channel=42\nChannel=3\n")
        << true << 3 << QByteArray();
    QTest::newRow("past the first MiB is not read")
        << QByteArray("[Network]\n" + QByteArray(2 << 20, '\n') + "Channel=5\n") << false << 0
        << QByteArray();
    QTest::newRow("control bytes are escaped")
        << QByteArray("[Network]\nChannel=4\x1b[2J\n") << false << 0 << QByteArray("4\\x1B[2J");
}

void TestSystemIni::channel()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    QFETCH(int, channel);
    QFETCH(QByteArray, logged);

    HostInstallation host;
    host.writeIni(QStringLiteral("north"), content);
    FakeLinkContext context;
    int read = 42;
    QCOMPARE(context.readSystemIniChannel(host.root(), QStringLiteral("north"), read), valid);
    if (valid) {
        QCOMPARE(read, channel);
        QVERIFY(context.sink.lines.isEmpty());
    } else {
        QCOMPARE(read, 42); // untouched
        QCOMPARE(context.sink.texts(),
                 QStringList {QStringLiteral("Not a valid channel number: '%1'")
                                  .arg(QString::fromLatin1(logged))});
    }
}

void TestSystemIni::missingFile()
{
    HostInstallation host;
    FakeLinkContext context;
    int read = 42;
    QVERIFY(!context.readSystemIniChannel(host.root(), QStringLiteral("north"), read));
    QCOMPARE(read, 42);
    QCOMPARE(context.sink.texts(), QStringList {QStringLiteral("Not a valid channel number: ''")});
    QCOMPARE(DuzUdozuzeSystemIni::read(host.root(), QStringLiteral("north")).alarmSystem,
             QByteArray());
}

// A FIFO at the path would block an ordinary open until a writer comes.
void TestSystemIni::notARegularFile()
{
    HostInstallation host;
    host.writeIni(QStringLiteral("north"), "[Network]\nChannel=4\n");
    const QString path = DuzUdozuzeSystemIni::path(host.root(), QStringLiteral("north"));
    QVERIFY(QFile::remove(path));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QCOMPARE(DuzUdozuzeSystemIni::read(host.root(), QStringLiteral("north")).channel, QByteArray());
}

void TestSystemIni::alarmSystem_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("alarmSystem");
    QTest::newRow("present") << QByteArray("[Network]\nAlarmSystem=Fire One\nChannel=2\n")
                             << QByteArray("Fire One");
    QTest::newRow("blanks dropped")
        << QByteArray("[Network]\nalarmsystem =  Fire  \n") << QByteArray("Fire");
    QTest::newRow("absent") << QByteArray("[Network]\nChannel=2\n") << QByteArray();
    QTest::newRow("other section") << QByteArray("[Alarm]\nAlarmSystem=Fire\n") << QByteArray();
}

void TestSystemIni::alarmSystem()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, alarmSystem);
    QCOMPARE(DuzUdozuzeSystemIni::parse(content).alarmSystem, alarmSystem);
}

QTEST_GUILESS_MAIN(TestSystemIni)
#include "tst_systemini.moc"
