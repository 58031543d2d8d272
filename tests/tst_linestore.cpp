// SPDX-License-Identifier: MIT
#include "common/duzudozuzelineindex.h"
#include "common/duzudozuzelinestore.h"
#include "common/duzudozuzelogselection.h"

#include <QtTest>

// The log's line store, the search over it and the selection in it, without
// a widget.
class TestLineStore : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheNewest_data();
    void keepsTheNewest();
    void index_data();
    void index();
    void selection_data();
    void selection();
};

// Lines of the given lengths, numbered, past the chunk size when asked.
static QByteArray lineOf(quint64 serial, int length)
{
    return (QByteArray::number(serial) + ' ').leftJustified(length, 'x');
}

void TestLineStore::keepsTheNewest_data()
{
    QTest::addColumn<int>("limit"); // 0: none
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("length"); // bytes a line
    QTest::addColumn<int>("chunksAtMost");
    QTest::newRow("no limit") << 0 << 1000 << 20 << 1;
    QTest::newRow("at the limit") << 1000 << 1000 << 20 << 1;
    QTest::newRow("over it, within a chunk") << 100 << 1000 << 20 << 1;
    // Chunks of 256 KiB: 2,000 lines of 1,000 bytes fill eight.
    QTest::newRow("across chunk bounds") << 300 << 2000 << 1000 << 3;
    QTest::newRow("lines larger than a chunk") << 2 << 5 << 300000 << 3;
}

void TestLineStore::keepsTheNewest()
{
    QFETCH(int, limit);
    QFETCH(int, lines);
    QFETCH(int, length);
    QFETCH(int, chunksAtMost);
    DuzUdozuzeLineStore store(limit);
    for (int serial = 0; serial < lines; ++serial)
        store.append(lineOf(quint64(serial), length));
    const int kept = limit > 0 ? qMin(limit, lines) : lines;
    QCOMPARE(store.size(), kept);
    QCOMPARE(store.dropped(), quint64(lines - kept));
    QCOMPARE(store.endSerial().value(), quint64(lines));
    QVERIFY(int(store.chunks().size()) <= chunksAtMost);
    for (const DuzUdozuzeLineSerial serial : {store.firstSerial(), store.endSerial() - 1})
        QCOMPARE(store.line(serial), QByteArrayView(lineOf(serial.value(), length)));
    // At most 16 bytes a line besides its own, and the chunk being filled.
    QVERIFY(store.memoryUsed()
            <= qsizetype(kept) * (length + 1 + 16) + 2 * DuzUdozuzeLineStore::ChunkBytes);

    store.clear();
    store.append("caf\xc3\xa9");
    QCOMPARE(store.firstSerial().value(), 0u);
    QCOMPARE(QString::fromUtf8(store.line(DuzUdozuzeLineSerial(0))), QStringLiteral("caf\u00e9"));
}

void TestLineStore::index_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QList<quint64>>("found");
    QTest::newRow("any case") << "beta" << false << QList<quint64> {1, 2, 4};
    QTest::newRow("matching case") << "Beta" << true << QList<quint64> {1};
    QTest::newRow("once a line") << "a" << true << QList<quint64> {0, 1, 2, 3};
    QTest::newRow("not at line ends") << "ab" << true << QList<quint64> {};
    QTest::newRow("non-ASCII as it is") << "\u00e9" << false << QList<quint64> {3};
    QTest::newRow("nowhere") << "gamma" << false << QList<quint64> {};
}

void TestLineStore::index()
{
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    QFETCH(QList<quint64>, found);
    DuzUdozuzeLineStore store(5);
    store.append("dropped beta"); // serial -1 once the limit is passed
    // The index is made, then looked through a slice at a time as lines come.
    const auto append = [&store](const char *line) { store.append(line); };
    append("alpha");
    DuzUdozuzeLineIndex index(store, text.toUtf8(), matchCase);
    append("Beta");
    QVERIFY(index.scan(1));
    append("alpha beta a");
    append("caf\xc3\xa9");
    append("BETA\xc3\xa0");
    while (!index.scan(1)) { }
    QList<quint64> serials;
    for (qsizetype i = 0; i < index.count(); ++i)
        serials.append(index.at(i) - DuzUdozuzeLineSerial(1)); // counted from "alpha"
    QCOMPARE(serials, found);
}

// What the keys select, as Copy would take it.
void TestLineStore::selection_data()
{
    QTest::addColumn<QList<int>>("keys"); // key and modifiers combined
    QTest::addColumn<QString>("copied");
    const int control = Qt::ControlModifier;
    const int shift = Qt::ShiftModifier;
    QTest::newRow("shift and the keys") << QList<int> {control | Qt::Key_Home, Qt::Key_Down,
                                                       shift | Qt::Key_Down, shift | Qt::Key_End}
                                        << "line 1\nline 2";
    QTest::newRow("within a line")
        << QList<int> {control | Qt::Key_Home, Qt::Key_Right, shift | Qt::Key_Right,
                       shift | Qt::Key_Right, shift | Qt::Key_Right}
        << "ine";
}

void TestLineStore::selection()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, copied);
    DuzUdozuzeLineStore store;
    for (const char *line : {"line 0", "line 1", "line 2", "line 3"})
        store.append(line);
    DuzUdozuzeAllRows rows(store);
    rows.setEnd(store.endSerial());
    DuzUdozuzeLogSelection selection;
    for (const int key : keys) {
        const QKeyCombination combination = QKeyCombination::fromCombined(key);
        QVERIFY(selection.press(rows, combination.key(), combination.keyboardModifiers(), 10));
    }
    QCOMPARE(QString::fromUtf8(selection.bytes(rows)), copied);
}

QTEST_GUILESS_MAIN(TestLineStore)
#include "tst_linestore.moc"
