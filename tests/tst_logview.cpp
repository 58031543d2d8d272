#include "app/duzudozuzefindbar.h"
#include "app/duzudozuzemainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

// The log view of the window: its line limit and trimming, Save Log, Find and
// Follow New Lines.
class TestLogView : public QObject
{
    Q_OBJECT

private slots:
    void trimKeepsNewestLines();
    void saveWritesTheView();
    void failedSaveChangesNothing();
    void find_data();
    void find();
    void followKeepsThePlace();

private:
    static std::unique_ptr<DuzUdozuzeMainWindow> window(const QString &maxLines);
    static void log(DuzUdozuzeMainWindow &window, int first, int count);
    static QPlainTextEdit *view(DuzUdozuzeMainWindow &window)
    {
        return window.findChild<QPlainTextEdit *>(QStringLiteral("m_editMain"));
    }
};

std::unique_ptr<DuzUdozuzeMainWindow> TestLogView::window(const QString &maxLines)
{
    auto made = std::make_unique<DuzUdozuzeMainWindow>(
        QStringList {QStringLiteral("/host=127.0.0.1"), QStringLiteral("/port=0"), maxLines});
    view(*made)->clear();
    return made;
}

void TestLogView::log(DuzUdozuzeMainWindow &window, int first, int count)
{
    for (int i = first; i < first + count; ++i)
        window.debugMessage(4, 1, QString(), QStringLiteral("line %1").arg(i));
    window.flushLog();
}

// The view runs a tenth past its limit, then keeps exactly the newest lines.
void TestLogView::trimKeepsNewestLines()
{
    const auto w = window(QStringLiteral("/maxlines=100"));
    log(*w, 0, 110);
    QCOMPARE(view(*w)->blockCount(), 110); // within the slack
    log(*w, 110, 1);
    QCOMPARE(view(*w)->blockCount(), 100);
    QStringList expected;
    for (int i = 11; i < 111; ++i)
        expected.append(QStringLiteral("line %1").arg(i));
    QCOMPARE(view(*w)->toPlainText().split(QLatin1Char('\n')), expected);
    QCOMPARE(w->linesDropped(), 11u);

    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("m_pushClear")), Qt::LeftButton);
    log(*w, 200, 1);
    QCOMPARE(view(*w)->toPlainText(), QStringLiteral("line 200"));
    QCOMPARE(w->linesDropped(), 0u);
}

void TestLogView::saveWritesTheView()
{
    const auto w = window(QString());
    log(*w, 0, 3);
    w->debugMessage(4, 1, QString(), QString::fromLatin1("caf\xe9")); // not yet in the view
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.txt"));
    QCOMPARE(w->saveLog(path), QString());
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("line 0\nline 1\nline 2\ncaf\xc3\xa9\n"));
}

// A save that fails on the way leaves the old file as it was and no other.
void TestLogView::failedSaveChangesNothing()
{
    const auto w = window(QString());
    log(*w, 0, 1000);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old\n");
    old.close();

    // Files may not grow past 64 bytes, even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before {};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    const QString error = w->saveLog(path);
    setrlimit(RLIMIT_FSIZE, &before);

    QVERIFY(!error.isEmpty());
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old\n"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList {QStringLiteral("log.txt")});
}

void TestLogView::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("steps"); // n: next, p: previous
    QTest::addColumn<QString>("found"); // the line of each match, - for none
    QTest::newRow("next, then wraps") << "alpha" << false << "nnn"
                                      << "0 2 0";
    QTest::newRow("previous wraps from the start") << "alpha" << false << "pp"
                                                   << "2 0";
    QTest::newRow("any case") << "beta" << false << "nn"
                              << "1 2";
    QTest::newRow("matching case") << "beta" << true << "nn"
                                   << "2 2";
    QTest::newRow("nowhere") << "gamma" << false << "n"
                             << "-";
}

void TestLogView::find()
{
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    QFETCH(QString, steps);
    QFETCH(QString, found);
    const auto w = window(QString());
    for (const char *line : {"alpha", "Beta", "alpha beta"})
        w->debugMessage(4, 1, QString(), QLatin1String(line));
    w->flushLog();
    view(*w)->moveCursor(QTextCursor::Start);
    DuzUdozuzeFindBar *bar = w->findBar();
    bar->textEdit()->setText(text);
    bar->caseBox()->setChecked(matchCase);
    QStringList lines;
    for (const QChar step : steps) {
        const bool hit = step == QLatin1Char('n') ? bar->findNext() : bar->findPrevious();
        lines.append(hit ? QString::number(view(*w)->textCursor().blockNumber())
                         : QStringLiteral("-"));
    }
    QCOMPARE(lines.join(QLatin1Char(' ')), found);
    QCOMPARE(bar->status(), found == QLatin1String("-") ? QStringLiteral("not found") : QString());
}

// Scrolled up by hand, the view stays on its lines while new ones arrive and
// old ones are trimmed; scrolled to the end, it follows again.
void TestLogView::followKeepsThePlace()
{
    const auto w = window(QStringLiteral("/maxlines=100"));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QScrollBar *bar = view(*w)->verticalScrollBar();
    log(*w, 0, 100);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(w->followAction()->isChecked());

    bar->setValue(bar->value() / 2);
    QVERIFY(!w->followAction()->isChecked());
    const QString top = view(*w)->cursorForPosition(QPoint(0, 0)).block().text();
    log(*w, 100, 15); // past the slack: 15 lines trimmed
    QCOMPARE(view(*w)->cursorForPosition(QPoint(0, 0)).block().text(), top);

    bar->setValue(bar->maximum());
    QVERIFY(w->followAction()->isChecked());
    log(*w, 115, 5);
    QCOMPARE(bar->value(), bar->maximum());
}

QTEST_MAIN(TestLogView)
#include "tst_logview.moc"
