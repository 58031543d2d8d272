// SPDX-License-Identifier: MIT
#include "net/duzudozuzecapturereader.h"
#include "net/duzudozuzerecorder.h"
#include "net/duzudozuzerecordfolder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

// The flight recorder on its own, writing on the caller's thread: where its
// files begin and end, which of them go, and what a full disk does.
class TestRecorder : public QObject
{
    Q_OBJECT

private slots:
    void filesKeepTheirBounds_data();
    void filesKeepTheirBounds();
    void aSecondRecorderIsRefused();
    void aFullDiskDeletesTheFirstWritten();
};

namespace {

constexpr qint64 Start = 1700000000000; // ms since the epoch
// A datagram's record takes 84 bytes (a payload of 20), a file's header 24.
constexpr qint64 FileOfThree = 24 + 3 * 84;

// A recorder of its own on the folder at path; what it tells goes to told.
std::unique_ptr<DuzUdozuzeRecorder> recorderOn(const QString &path,
                                               DuzUdozuzeRecorder::Limits limits, QStringList *told)
{
    QString why;
    const int folder = DuzUdozuzeRecordFolder::open(path, &why);
    const int lock = folder < 0 ? -1 : DuzUdozuzeRecordFolder::lock(folder, &why);
    if (lock < 0) {
        qWarning("%s: %s", qPrintable(path), qPrintable(why));
        if (folder >= 0)
            ::close(folder);
        return nullptr;
    }
    return std::make_unique<DuzUdozuzeRecorder>(
        path, folder, lock, limits,
        [told](const QString &text, int priority) {
            told->append(QString::number(priority) + QLatin1Char(' ') + text);
        },
        DuzUdozuzeRecorder::Writer::Caller);
}

// Datagram number index, received at time (ms).
void record(DuzUdozuzeRecorder &recorder, int index, qint64 time)
{
    const QByteArray payload = QByteArray::number(index).rightJustified(20, '0');
    recorder.record({DuzUdozuzeWallUs(duzUdozuzeWallMs(Start + time)), 0x7F000001, 40000,
                     0x7F000001, 9208, payload, payload.size()});
}

// The numbers of the datagrams in each file, in the order written, "!"
// after a file that breaks, "cut" where one does not read to its end:
// "0 1 2! | 3 4".
QString described(const QString &path)
{
    QStringList files;
    const QStringList names
        = QDir(path).entryList({QStringLiteral("duzudozuze-*.pcap")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        DuzUdozuzeCaptureReader reader(QDir(path).filePath(name));
        QStringList numbers;
        DuzUdozuzeCaptureReader::Datagram datagram;
        DuzUdozuzeCaptureReader::Result result;
        while ((result = reader.next(datagram)) == DuzUdozuzeCaptureReader::Result::Datagram)
            numbers.append(QString::number(datagram.payload.toByteArray().toInt()));
        if (result != DuzUdozuzeCaptureReader::Result::End)
            numbers.append(QStringLiteral("cut"));
        const std::optional<DuzUdozuzeRecordFolder::File> file
            = DuzUdozuzeRecordFolder::parse(name);
        files.append(numbers.join(QLatin1Char(' '))
                     + (file && file->breaks ? QStringLiteral("!") : QString()));
    }
    return files.join(QStringLiteral(" | "));
}

// Times count ms apart from first on.
QList<qint64> run(int count, qint64 first = 0)
{
    QList<qint64> times;
    for (int i = 0; i < count; ++i)
        times.append(first + i);
    return times;
}

} // namespace

void TestRecorder::filesKeepTheirBounds_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("totalSize");
    QTest::addColumn<QList<qint64>>("times"); // ms, of each datagram in turn
    QTest::addColumn<QString>("files");
    constexpr qint64 Plenty = 1 << 20;
    constexpr qint64 More = 1 << 24;
    QTest::newRow("a file full at the file size")
        << FileOfThree << More << run(7) << "0 1 2! | 3 4 5 | 6";
    QTest::newRow("a byte short") << FileOfThree - 1 << More << run(7) << "0 1! | 2 3 | 4 5 | 6";
    QTest::newRow("the first written deleted to keep the total")
        << FileOfThree << 3 * FileOfThree << run(10) << "3 4 5 | 6 7 8 | 9";
    QTest::newRow("a second back stays in the file")
        << Plenty << More << QList<qint64> {0, 2000, 1000} << "0 1 2!";
    QTest::newRow("more than a second back begins a file that breaks")
        << Plenty << More << QList<qint64> {0, 2000, 999, 1000} << "0 1! | 2 3!";
    // The newest kept whatever their times: the first written go first.
    QTest::newRow("an hour back, within the total")
        << FileOfThree << 3 * FileOfThree << run(6, 3600000) + run(4) << "3 4 5 | 6 7 8! | 9";
}

void TestRecorder::filesKeepTheirBounds()
{
    QFETCH(qint64, fileSize);
    QFETCH(qint64, totalSize);
    QFETCH(QList<qint64>, times);
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("recording"));
    QStringList told;
    std::unique_ptr<DuzUdozuzeRecorder> recorder = recorderOn(path, {fileSize, totalSize}, &told);
    QVERIFY(recorder);
    for (int i = 0; i < times.size(); ++i)
        record(*recorder, i, times.at(i));
    recorder->finish();
    QTEST(described(path), "files");
    QCOMPARE(told, QStringList());
}

// The folder's lock keeps a second recorder out for as long as the first
// records; the folder is its user's alone.
void TestRecorder::aSecondRecorderIsRefused()
{
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("recording"));
    QStringList told;
    {
        const std::unique_ptr<DuzUdozuzeRecorder> first
            = recorderOn(path, {1 << 16, 1 << 20}, &told);
        QVERIFY(first);
        QCOMPARE(QFileInfo(path).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                     | QFile::WriteUser | QFile::ExeUser);
        QString why;
        const int folder = DuzUdozuzeRecordFolder::open(path, &why);
        QVERIFY2(folder >= 0, qPrintable(why));
        const int lock = DuzUdozuzeRecordFolder::lock(folder, &why);
        ::close(folder);
        QCOMPARE(lock, -1);
        QCOMPARE(why, QStringLiteral("another process records there"));
    }
    QVERIFY(recorderOn(path, {1 << 16, 1 << 20}, &told));
}

// A disk full of the recording's own files: the first written are deleted
// to make room, said once, and nothing is lost or cut short. Run again on a
// 64 KiB tmpfs in a mount namespace of its own.
void TestRecorder::aFullDiskDeletesTheFirstWritten()
{
    const QString disk = qEnvironmentVariable("DUZUDOZUZE_FULL_DISK");
    if (disk.isEmpty()) {
        if (QProcess::execute(QStringLiteral("unshare"),
                              {QStringLiteral("-rm"), QStringLiteral("true")})
            != 0)
            QSKIP("cannot make a mount namespace with unshare -rm (util-linux, user namespaces)");
        QTemporaryDir scratch;
        QProcess inside;
        inside.setProcessChannelMode(QProcess::MergedChannels);
        inside.start(QStringLiteral("unshare"),
                     {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                      QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 77; "
                                     "DUZUDOZUZE_FULL_DISK=\"$1\" exec \"$0\" %1")
                          .arg(QLatin1String(QTest::currentTestFunction())),
                      QCoreApplication::applicationFilePath(), scratch.path()});
        QVERIFY(inside.waitForFinished(120000));
        const QByteArray said = inside.readAll();
        if (inside.exitCode() == 77)
            QSKIP("cannot mount a tmpfs in a mount namespace");
        QVERIFY2(inside.exitStatus() == QProcess::NormalExit && inside.exitCode() == 0,
                 said.constData());
        return;
    }
    const QString path = disk + QStringLiteral("/recording");
    QStringList told;
    // Files of 97 datagrams, 252 KB in all: the disk fills long before the
    // total.
    std::unique_ptr<DuzUdozuzeRecorder> recorder = recorderOn(path, {8192, 1 << 30}, &told);
    QVERIFY(recorder);
    constexpr int Count = 3000;
    for (int i = 0; i < Count; ++i)
        record(*recorder, i, i);
    recorder->finish();
    const DuzUdozuzeRecorder::Counts counts = recorder->counts();
    QCOMPARE(QStringLiteral("%1 recorded, %2 dropped, %3 errors")
                 .arg(counts.recorded)
                 .arg(counts.dropped)
                 .arg(counts.errors),
             QStringLiteral("%1 recorded, 0 dropped, 0 errors").arg(Count));
    QCOMPARE(told,
             QStringList {QStringLiteral("4 duzudozuze: the disk of the recording %1 is full: the "
                                         "first files written are deleted to make room")
                              .arg(path)});
    // The files from the first kept on, whole, to the last datagram.
    const QString files = described(path);
    const int first = files.section(QLatin1Char(' '), 0, 0).toInt();
    QVERIFY2(first > 0, qPrintable(files));
    QStringList groups;
    for (int file = first; file < Count; file += 97) {
        QStringList numbers;
        for (int i = file; i < qMin(file + 97, Count); ++i)
            numbers.append(QString::number(i));
        groups.append(numbers.join(QLatin1Char(' ')));
    }
    QCOMPARE(files, groups.join(QStringLiteral(" | ")));
}

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
