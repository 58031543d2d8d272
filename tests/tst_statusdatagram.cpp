// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzestatusdatagram.h"

#include <QtTest>

// The status datagram: its text on the wire and how a receiver splits it.
class TestStatusDatagram : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void parse_data();
    void parse();
};

void TestStatusDatagram::format_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("alarmSystem");
    QTest::addColumn<int>("channel");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("empty alarm system") << "ALPHA"
                                        << "" << 2 << false << QByteArray("NO:ALPHA::3:2:Fail");
    QTest::newRow("no channel") << "ALPHA"
                                << "BETA" << -1 << false << QByteArray("NO:ALPHA:BETA:3:-1:Fail");
    QTest::newRow("healthy") << "ALPHA"
                             << "BETA" << 2 << true << QByteArray("NO:ALPHA:BETA:3:2:OK");
    QTest::newRow("colon in a name") << "AL:PHA"
                                     << "BETA" << 2 << true << QByteArray("NO:AL:PHA:BETA:3:2:OK");
    QTest::newRow("latin-1") << QString::fromLatin1("\xc5land") << "B" << 2 << true
                             << QByteArray("NO:\xc5land:B:3:2:OK");
}

void TestStatusDatagram::format()
{
    QFETCH(QString, system);
    QFETCH(QString, alarmSystem);
    QFETCH(int, channel);
    QFETCH(bool, ok);
    QFETCH(QByteArray, payload);
    const QByteArray sent = DuzUdozuzeStatusDatagram::format(QStringLiteral("NO"), system,
                                                             alarmSystem, 3, channel, ok);
    QCOMPARE(sent, payload);
    QCOMPARE(sent.size(), qstrlen(payload.constData())); // no terminator, no line end
}

void TestStatusDatagram::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("current");
    QTest::addColumn<QStringList>("fields"); // code, system, alarm system, ws, channel, health
    QTest::newRow("six fields") << "NA:ALPHA:BETA:3:2:OK" << true
                                << QStringList {"NA", "ALPHA", "BETA", "3", "2", "OK"};
    QTest::newRow("empty field") << "NA:ALPHA::3:2:OK" << false << QStringList();
    QTest::newRow("leading and trailing colons")
        << ":NA:ALPHA:BETA:3:2:OK:" << true << QStringList {"NA", "ALPHA", "BETA", "3", "2", "OK"};
    QTest::newRow("doubled colons")
        << "NA::ALPHA:BETA::3:2::OK" << true << QStringList {"NA", "ALPHA", "BETA", "3", "2", "OK"};
    QTest::newRow("seventh field") << "NA:ALPHA:BETA:3:2:OK:x" << false << QStringList();
    QTest::newRow("five fields") << "NA:ALPHA:BETA:3:2" << false << QStringList();
    QTest::newRow("empty") << "" << false << QStringList();
    QTest::newRow("colons only") << "::::::" << false << QStringList();
    QTest::newRow("workstation x")
        << "NA:A:B:x:3a:OK" << true << QStringList {"NA", "A", "B", "0", "0", "OK"};
    QTest::newRow("negative") << "NA:A:B:-4:-1:Fail" << true
                              << QStringList {"NA", "A", "B", "-4", "-1", "Fail"};
    QTest::newRow("past int") << "NA:A:B:99999999999:2:OK" << true
                              << QStringList {"NA", "A", "B", "0", "2", "OK"};
    QTest::newRow("health with line end")
        << "NA:A:B:1:2:OK\r\n"
        << true << QStringList {"NA", "A", "B", "1", "2", "OK\r\n"};
}

void TestStatusDatagram::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, current);
    QFETCH(QStringList, fields);
    const auto datagram = DuzUdozuzeStatusDatagram::parse(text);
    QCOMPARE(datagram.has_value(), current);
    if (!current)
        return;
    QCOMPARE(QStringList({datagram->code, datagram->system, datagram->alarmSystem,
                          QString::number(datagram->workstation),
                          QString::number(datagram->channel), datagram->healthWord}),
             fields);
}

QTEST_GUILESS_MAIN(TestStatusDatagram)
#include "tst_statusdatagram.moc"
