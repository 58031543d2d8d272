// SPDX-License-Identifier: MIT
#include "capturesupport.h"
#include "net/duzudozuzecapturesource.h"
#include "net/duzudozuzerecordfolder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The reading thread of a capture on its own: what it hands over, batch by
// batch, from a file, a recording's folder, a followed file and a pipe, and
// how it waits for a consumer that does not take.
class TestCaptureSource : public QObject
{
    Q_OBJECT

private slots:
    void readsToItsEnd_data();
    void readsToItsEnd();
    void followsARotatedFile_data();
    void followsARotatedFile();
    void waitsForItsConsumer();
    void stopsWhateverThePipeDoes_data();
    void stopsWhateverThePipeDoes();
};

using Item = DuzUdozuzeCaptureSource::Item;

namespace {

constexpr qint64 Start = 1700000000000000; // 2023-11-14T22:13:20Z, in us
constexpr int Deadline = 20000; // ms
constexpr int Open = std::numeric_limits<int>::min(); // a span's end not given

// Datagram i is "NC:a:b:i:3:OK" at Start + i s, to port 9208, or 9300 where
// i is negative.
QList<CapturedPacket> packetsOf(const QList<int> &datagrams)
{
    QList<CapturedPacket> packets;
    for (int i : datagrams) {
        packets.append(
            {Start + i * qint64(1000000),
             ethernet(0x0800)
                 + ipv4Udp("NC:a:b:" + QByteArray::number(i) + ":3:OK", 2, i < 0 ? 9300 : 9208)});
    }
    return packets;
}

QList<int> range(int first, int count)
{
    QList<int> numbers;
    for (int i = first; i < first + count; ++i)
        numbers.append(i);
    return numbers;
}

// The time of datagram i, to the ms.
DuzUdozuzeWallMs timeOf(int i)
{
    return duzUdozuzeToMs(DuzUdozuzeWallUs(std::chrono::microseconds(Start)))
        + std::chrono::seconds(i);
}

// The name of a recording's file whose first datagram is i.
QString recorded(qint64 sequence, int i, bool breaks = false)
{
    return DuzUdozuzeRecordFolder::fileName(sequence, duzUdozuzeMsCount(timeOf(i)), breaks);
}

struct Written
{
    QString name;
    QList<int> datagrams; // none: a text, no capture
    qint64 size = 0; // 0: as written; > 0: cut to that; < 0: that much cut off its end
};

bool write(const QString &path, const Written &file)
{
    QFile text(path);
    if (file.datagrams.isEmpty())
        return text.open(QIODevice::WriteOnly) && text.write("not a capture\n") > 0;
    if (!writeCapture(path, packetsOf(file.datagrams)))
        return false;
    return file.size == 0 || text.resize(file.size > 0 ? file.size : text.size() + file.size);
}

} // namespace

// A consumer on the event loop: each wake-up takes every batch waiting, while
// it takes at all.
class Reading : public QObject
{
    Q_OBJECT

public:
    void start(const QString &path, bool follow = false, DuzUdozuzeCaptureSource::Span span = {},
               quint16 port = 9208)
    {
        source = std::make_unique<DuzUdozuzeCaptureSource>(
            path, follow,
            [this] { QMetaObject::invokeMethod(this, &Reading::takeAll, Qt::QueuedConnection); },
            span, port, nullptr);
    }

    void takeAll()
    {
        while (taking && source && source->take(batch)) {
            largestBatch = std::max(largestBatch, batch.items.size());
            for (const Item &item : batch.items) {
                if (end)
                    ++afterEnd;
                switch (item.kind) {
                case Item::Kind::Datagram:
                    datagrams.append(batch.payload(item).toByteArray().split(':').at(3).toInt());
                    if (!packets.isEmpty() && item.packet <= packets.constLast())
                        ++outOfOrder;
                    packets.append(item.packet);
                    break;
                case Item::Kind::Skipped:
                    ++skipped;
                    break;
                case Item::Kind::Told:
                    told.append(item.text);
                    break;
                case Item::Kind::End:
                    end = item.text;
                    break;
                }
            }
        }
    }

    std::unique_ptr<DuzUdozuzeCaptureSource> source;
    DuzUdozuzeCaptureSource::Batch batch;
    bool taking = true;
    QList<int> datagrams;
    QList<quint64> packets;
    int outOfOrder = 0; // datagrams whose packet number is not past the last one's
    int skipped = 0;
    QStringList told;
    std::optional<QString> end;
    int afterEnd = 0; // items after the end
    size_t largestBatch = 0;
};

void TestCaptureSource::readsToItsEnd_data()
{
    QTest::addColumn<QList<Written>>("files");
    QTest::addColumn<QString>("read"); // in the test's folder; "." the folder
    QTest::addColumn<int>("from"); // the span, as datagram numbers
    QTest::addColumn<int>("until");
    QTest::addColumn<quint16>("port");
    QTest::addColumn<QList<int>>("datagrams");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<QStringList>("told"); // each the beginning of one; %1 the folder
    QTest::addColumn<QString>("end"); // the beginning of the end's text

    const QString file = QStringLiteral("capture.pcap");
    const QString folder = QStringLiteral(".");
    const QString cut = QStringLiteral("duzudozuze: %1/capture.pcap: packet 5: ");
    const QString unreadable = QStringLiteral("duzudozuze: cannot read the capture %1/");
    const int many = 3 * DuzUdozuzeCaptureSource::BatchSize + 17;
    const QList<int> otherPorts {0, -1, 1, -2, 2};

    QTest::newRow("many batches") << QList<Written> {{file, range(0, many)}} << file << Open << Open
                                  << quint16(9208) << range(0, many) << 0 << QStringList() << "";
    QTest::newRow("another port skipped")
        << QList<Written> {{file, otherPorts}} << file << Open << Open << quint16(9208)
        << QList<int> {0, 1, 2} << 2 << QStringList() << "";
    QTest::newRow("every port") << QList<Written> {{file, otherPorts}} << file << Open << Open
                                << quint16(0) << otherPorts << 0 << QStringList() << "";
    QTest::newRow("a span of a file") << QList<Written> {{file, range(0, 10)}} << file << 3 << 6
                                      << quint16(9208) << range(3, 4) << 0 << QStringList() << "";
    QTest::newRow("a file cut short in a packet")
        << QList<Written> {{file, range(0, 5), -10}} << file << Open << Open << quint16(9208)
        << range(0, 4) << 0 << QStringList() << cut;
    QTest::newRow("a file cut short in its header")
        << QList<Written> {{file, range(0, 5), 10}} << file << Open << Open << quint16(9208)
        << QList<int>() << 0 << QStringList() << unreadable + file + ": ";
    QTest::newRow("no capture") << QList<Written> {{file, {}}} << file << Open << Open
                                << quint16(9208) << QList<int>() << 0 << QStringList()
                                << unreadable + file + ": ";
    QTest::newRow("no such file") << QList<Written>() << file << Open << Open << quint16(9208)
                                  << QList<int>() << 0 << QStringList()
                                  << unreadable + file + ": No such file or directory";

    QTest::newRow("a recording in the order written")
        << QList<Written> {{recorded(1, 0), range(0, 3)},
                           {recorded(2, 3), range(3, many)},
                           {recorded(3, 900), range(900, 3)},
                           {QStringLiteral("notes.pcap"), range(50, 3)}}
        << folder << Open << Open << quint16(9208) << range(0, 3) + range(3, many) + range(900, 3)
        << 0 << QStringList() << "";
    QTest::newRow("a recording whose clock stepped back")
        << QList<Written> {{recorded(7, 100), range(100, 3)}, {recorded(8, 0, true), range(0, 3)}}
        << folder << Open << Open << quint16(9208) << range(100, 3) + range(0, 3) << 0
        << QStringList() << "";
    QTest::newRow("an earlier version's names first")
        << QList<Written> {{recorded(1, 10), range(10, 2)},
                           {QStringLiteral("duzudozuze-20231114T221320Z.pcap"), range(0, 2)}}
        << folder << Open << Open << quint16(9208) << range(0, 2) + range(10, 2) << 0
        << QStringList() << "";
    QTest::newRow("a span of a recording")
        << QList<Written> {{recorded(1, 0), range(0, 10)},
                           {recorded(2, 100), range(100, 10)},
                           {recorded(3, 200), range(200, 10)}}
        << folder << 105 << 201 << quint16(9208) << range(105, 5) + range(200, 2) << 0
        << QStringList() << "";
    QTest::newRow("a recording's file cut short")
        << QList<Written> {{recorded(1, 0), range(0, 5), -10}, {recorded(2, 5), range(5, 2)}}
        << folder << Open << Open << quint16(9208) << range(0, 4) + range(5, 2) << 0
        << QStringList {"duzudozuze: %1/./" + recorded(1, 0) + ": packet 5: "} << "";
    QTest::newRow("a recording's file no capture")
        << QList<Written> {{recorded(1, 0), {}}, {recorded(2, 5), range(5, 2)}} << folder << Open
        << Open << quint16(9208) << range(5, 2) << 0
        << QStringList {unreadable + "./" + recorded(1, 0) + ": "} << "";
    // As a reader sees it while its recorder writes the newest file.
    QTest::newRow("the newest file in a packet")
        << QList<Written> {{recorded(1, 0), range(0, 3)}, {recorded(2, 3), range(3, 3), -10}}
        << folder << Open << Open << quint16(9208) << range(0, 5) << 0 << QStringList() << "";
    QTest::newRow("the newest file in its header")
        << QList<Written> {{recorded(1, 0), range(0, 3)}, {recorded(2, 3), range(3, 3), 10}}
        << folder << Open << Open << quint16(9208) << range(0, 3) << 0 << QStringList() << "";
    QTest::newRow("no recording") << QList<Written> {{QStringLiteral("notes.pcap"), range(0, 3)}}
                                  << folder << Open << Open << quint16(9208) << QList<int>() << 0
                                  << QStringList()
                                  << "duzudozuze: cannot read the capture %1/.: no recording in it";
    QTest::newRow("no recording in the span")
        << QList<Written> {{recorded(1, 0), range(0, 3)}} << folder << Open << -20 << quint16(9208)
        << QList<int>() << 0 << QStringList()
        << "duzudozuze: cannot read the capture %1/.: no recording in it for the span asked";
}

// Every datagram once, in order, over as many batches as it takes, then the
// end: clean, or why the capture could not be read on.
void TestCaptureSource::readsToItsEnd()
{
    QFETCH(QList<Written>, files);
    QFETCH(QString, read);
    QFETCH(int, from);
    QFETCH(int, until);
    QFETCH(quint16, port);
    QTemporaryDir folder;
    for (const Written &file : files)
        QVERIFY(write(folder.filePath(file.name), file));
    DuzUdozuzeCaptureSource::Span span;
    if (from != Open)
        span.from = timeOf(from);
    if (until != Open)
        span.until = timeOf(until);
    Reading reading;
    reading.start(folder.filePath(read), false, span, port);
    QTRY_VERIFY_WITH_TIMEOUT(reading.end.has_value(), Deadline);
    QTEST(reading.datagrams, "datagrams");
    QCOMPARE(reading.outOfOrder, 0);
    QTEST(reading.skipped, "skipped");
    QFETCH(QStringList, told);
    QCOMPARE(reading.told.size(), told.size());
    for (qsizetype i = 0; i < told.size(); ++i)
        QVERIFY2(reading.told.at(i).startsWith(QString(told.at(i)).replace("%1", folder.path())),
                 qPrintable(reading.told.at(i)));
    QFETCH(QString, end);
    QVERIFY2(end.isEmpty() ? reading.end->isEmpty()
                           : reading.end->startsWith(QString(end).replace("%1", folder.path())),
             qPrintable(*reading.end));
    QCOMPARE(reading.afterEnd, 0);
    QVERIFY(reading.largestBatch <= DuzUdozuzeCaptureSource::BatchSize);
}

void TestCaptureSource::followsARotatedFile_data()
{
    QTest::addColumn<bool>("replaced"); // else truncated and written anew
    QTest::addColumn<QString>("told");
    QTest::newRow("truncated") << false
                               << "duzudozuze: the capture %1 was truncated: reading it anew";
    QTest::newRow("replaced") << true
                              << "duzudozuze: the capture %1 was replaced: reading the new file";
}

// As tcpdump writes it: nothing at first, then a packet and a half, then the
// rest, each datagram as soon as it is whole; rotated as tail -F knows it,
// said, and read again from its header, the packets counted on.
void TestCaptureSource::followsARotatedFile()
{
    QFETCH(bool, replaced);
    QFETCH(QString, told);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("growing.pcap"));
    QVERIFY(writeCapture(path, packetsOf({0, 1})));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    QVERIFY(file.resize(0) && file.seek(0));
    Reading reading;
    reading.start(path, true);
    const qsizetype half = bytes.size() - 30;
    QVERIFY(file.write(bytes.left(half)) == half && file.flush());
    QTRY_COMPARE(reading.datagrams, QList<int> {0});
    QVERIFY(file.write(bytes.mid(half)) == bytes.size() - half && file.flush());
    QTRY_COMPARE(reading.datagrams, QList<int>({0, 1}));
    if (replaced) {
        const QString next = folder.filePath(QStringLiteral("next.pcap"));
        QVERIFY(QFile::copy(path, next) && ::rename(qPrintable(next), qPrintable(path)) == 0);
    } else {
        QVERIFY(file.resize(0) && file.seek(0));
        // Written anew once the truncation is seen: written at once, the file
        // would look as it did.
        QTRY_COMPARE(reading.told, QStringList {told.arg(path)});
        QVERIFY(file.write(bytes) == bytes.size() && file.flush());
    }
    QTRY_COMPARE(reading.datagrams, QList<int>({0, 1, 0, 1}));
    QCOMPARE(reading.told, QStringList {told.arg(path)});
    QCOMPARE(reading.outOfOrder, 0);
    QVERIFY(!reading.end);
}

// A consumer that takes nothing holds the reading at the queue's bound, never
// past it; once it takes again every datagram comes, in order. A recording's
// ring that rotates meanwhile has its files deleted: one being read is read
// on, one not opened yet is said and passed over.
void TestCaptureSource::waitsForItsConsumer()
{
    constexpr int Capacity = int(DuzUdozuzeCaptureSource::Capacity);
    constexpr int BatchSize = int(DuzUdozuzeCaptureSource::BatchSize);
    QTemporaryDir folder;
    const QList<Written> files {
        {recorded(1, 0), range(0, Capacity + 3 * BatchSize)},
        {recorded(2, Capacity + 3 * BatchSize), range(Capacity + 3 * BatchSize, 3)},
        {recorded(3, Capacity + 4 * BatchSize), range(Capacity + 4 * BatchSize, 3)}};
    for (const Written &file : files)
        QVERIFY(write(folder.filePath(file.name), file));
    Reading reading;
    reading.taking = false;
    reading.start(folder.path());
    QTRY_COMPARE_WITH_TIMEOUT(reading.source->waiting(), size_t(Capacity), Deadline);
    QVERIFY(reading.source->take(reading.batch));
    QTRY_COMPARE_WITH_TIMEOUT(reading.source->waiting(), size_t(Capacity), Deadline);
    QCOMPARE(reading.batch.items.front().packet, 1u);
    QVERIFY(QFile::remove(folder.filePath(files.at(0).name)));
    QVERIFY(QFile::remove(folder.filePath(files.at(1).name)));
    reading.batch = {};
    reading.taking = true;
    reading.takeAll();
    QTRY_VERIFY_WITH_TIMEOUT(reading.end.has_value(), Deadline);
    QCOMPARE(reading.datagrams, range(BatchSize, Capacity + 2 * BatchSize) + files.at(2).datagrams);
    QCOMPARE(reading.outOfOrder, 0);
    QCOMPARE(reading.told,
             QStringList {QStringLiteral("duzudozuze: cannot read the capture %1: No such file or "
                                         "directory")
                              .arg(folder.filePath(files.at(1).name))});
    QCOMPARE(*reading.end, QString());
}

void TestCaptureSource::stopsWhateverThePipeDoes_data()
{
    QTest::addColumn<bool>("fifo"); // else a pipe
    QTest::addColumn<int>("written"); // bytes of a capture of one datagram; -1: no writer
    QTest::newRow("a FIFO without a writer") << true << -1;
    QTest::newRow("a FIFO that pauses in its header") << true << 10;
    QTest::newRow("a pipe that pauses after a datagram")
        << false << std::numeric_limits<int>::max();
}

// Reading waits on the pipe and on the stop together: what came is handed
// over at once, and the source stops whatever the writer does.
void TestCaptureSource::stopsWhateverThePipeDoes()
{
    QFETCH(bool, fifo);
    QFETCH(int, written);
    QTemporaryDir folder;
    const QString capture = folder.filePath(QStringLiteral("one.pcap"));
    QVERIFY(writeCapture(capture, packetsOf({0})));
    QFile file(capture);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll().left(written);
    int ends[2] = {-1, -1};
    QString path = folder.filePath(QStringLiteral("fifo"));
    if (fifo)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
    if (!fifo)
        path = QStringLiteral("/proc/self/fd/%1").arg(ends[0]);
    Reading reading;
    reading.start(path);
    if (written >= 0 && fifo) {
        // A FIFO opens for writing once its reader has it open.
        QTRY_VERIFY((ends[1] = ::open(QFile::encodeName(path).constData(),
                                      O_WRONLY | O_NONBLOCK | O_CLOEXEC))
                    >= 0);
    }
    if (written >= 0)
        QCOMPARE(::write(ends[1], bytes.constData(), bytes.size()), ssize_t(bytes.size()));
    if (bytes.size() == file.size())
        QTRY_COMPARE(reading.datagrams, QList<int> {0});
    const auto stopped = std::make_shared<std::atomic<bool>>(false);
    std::thread([source = reading.source.release(), stopped] {
        delete source;
        *stopped = true;
    }).detach();
    QTRY_VERIFY(*stopped);
    QVERIFY(!reading.end);
    for (int end : ends) {
        if (end >= 0)
            ::close(end);
    }
}

QTEST_GUILESS_MAIN(TestCaptureSource)
#include "tst_capturesource.moc"
