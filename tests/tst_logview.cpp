// SPDX-License-Identifier: MIT
#include "app/duzudozuzefilterstrip.h"
#include "app/duzudozuzefindbar.h"
#include "app/duzudozuzelogview.h"
#include "app/duzudozuzemainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

// The log view of the window: the window as a sink, its line limit, Save
// Log, selection and Copy, Find, the filter, Follow New Lines, and notes.
class TestLogView : public QObject
{
    Q_OBJECT

private slots:
    void sinkShowsTextAsGiven_data();
    void sinkShowsTextAsGiven();
    void linesAppearOnNextPass();
    void trimKeepsNewestLines();
    void saveWritesTheView();
    void failedSaveChangesNothing();
    void selection_data();
    void selection();
    void find_data();
    void find();
    void filterShowsMatchingLines();
    void followKeepsThePlace();
    void readOnlyButNotes();

private:
    static std::unique_ptr<DuzUdozuzeMainWindow> window(const QString &maxLines);
    static void log(DuzUdozuzeMainWindow &window, int first, int count);
    static DuzUdozuzeLogView *view(DuzUdozuzeMainWindow &window)
    {
        return window.findChild<DuzUdozuzeLogView *>(QStringLiteral("m_editMain"));
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

namespace {
void callDebugPrintf(IDebug *sink, const QString &prefix, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    sink->debugPrintf(4, 1, prefix, format, args);
    va_end(args);
}
} // namespace

// What reaches the window's sink is shown as given: debugMessage its text
// alone, debugPrintf its prefix and text without a time and with no fixed
// limit, and a line's markup as the characters it is.
void TestLogView::sinkShowsTextAsGiven_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // the line without its time
    QTest::newRow("debugMessage: the text only") << "message"
                                                 << "PREFIX"
                                                 << "just this"
                                                 << "just this";
    QTest::newRow("debugPrintf: the prefix, no time") << "printf"
                                                      << "pre:"
                                                      << "value 5 of 'five'"
                                                      << "pre:value 5 of 'five'";
    QTest::newRow("debugPrintf: no fixed limit")
        << "printf" << QString() << QString(6000, QLatin1Char('y'))
        << QString(6000, QLatin1Char('y'));
    QTest::newRow("markup shows literally")
        << "logPrintf" << QString() << "<b>x</b> &amp; <a href=\"y\">z</a>"
        << "Received '<b>x</b> &amp; <a href=\"y\">z</a>'";
}

void TestLogView::sinkShowsTextAsGiven()
{
    QFETCH(QString, how);
    QFETCH(QString, prefix);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    const auto w = window(QString());
    if (how == QLatin1String("message"))
        w->debugMessage(4, 1, prefix, text);
    else if (how == QLatin1String("printf"))
        callDebugPrintf(w.get(), prefix, "%s", text.toLatin1().constData());
    else
        w->logPrintf("Received '%s'", text.toLatin1().constData());
    w->flushLog();
    QCOMPARE(view(*w)->rowCount(), 1);
    const QString row = view(*w)->rowText(DuzUdozuzeLogRow(0));
    QCOMPARE(how == QLatin1String("logPrintf") ? row.mid(13) : row, shown);
}

// Lines are gathered for a moment, then appended together, in order.
void TestLogView::linesAppearOnNextPass()
{
    const auto w = window(QString());
    for (int i = 0; i < 3; ++i)
        w->logPrintf("pass %d", i);
    QCOMPARE(view(*w)->rowCount(), 0);
    QTRY_COMPARE(view(*w)->rowCount(), 3);
    QCOMPARE(view(*w)->rowText(DuzUdozuzeLogRow(2)).mid(13), QStringLiteral("pass 2"));
}

// The view keeps exactly the newest lines; Clear starts it again.
void TestLogView::trimKeepsNewestLines()
{
    const auto w = window(QStringLiteral("/maxlines=100"));
    log(*w, 0, 111);
    QStringList expected;
    for (int i = 11; i < 111; ++i)
        expected.append(QStringLiteral("line %1").arg(i));
    QCOMPARE(view(*w)->toPlainText().split(QLatin1Char('\n')), expected);
    QCOMPARE(w->linesDropped(), 11u);

    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("m_pushClear")), Qt::LeftButton);
    log(*w, 200, 1);
    QCOMPARE(view(*w)->toPlainText(), QStringLiteral("line 200"));
    QCOMPARE(w->linesDropped(), 0u);
    QCOMPARE(w->logLinesDropped(), 11u);
}

void TestLogView::saveWritesTheView()
{
    const auto w = window(QString());
    log(*w, 0, 3);
    w->debugMessage(4, 1, QString(), QString::fromLatin1("caf\xe9")); // not yet shown
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.txt"));
    QCOMPARE(w->saveLog(path), QString());
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("line 0\nline 1\nline 2\ncaf\xc3\xa9\n"));
    // With a filter, what is shown.
    view(*w)->setFilter(QStringLiteral("line 1"), true);
    w->flushLog();
    saved.close();
    QCOMPARE(w->saveLog(path), QString());
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("line 1\n"));
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
    // Nor is anything but a regular file replaced (a FIFO here: a device
    // replaced by a broken save would be the machine's).
    const QString fifo = folder.filePath(QStringLiteral("fifo"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(!w->saveLog(fifo).isEmpty());
    QVERIFY(!QFileInfo(fifo).isFile());
}

// What the mouse and Select All select is what Copy puts on the clipboard
// (the keys: tst_linestore, without a window).
void TestLogView::selection_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("copied");
    QTest::newRow("drag across lines") << "drag"
                                       << "line 0\nline 1\nli";
    QTest::newRow("double-click a word") << "double"
                                         << "line";
    QTest::newRow("shift-click") << "shift"
                                 << "line 0\nli";
    QTest::newRow("select all") << "all"
                                << "line 0\nline 1\nline 2\nline 3";
}

void TestLogView::selection()
{
    QFETCH(QString, how);
    QFETCH(QString, copied);
    const auto w = window(QString());
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    log(*w, 0, 4);
    DuzUdozuzeLogView *v = view(*w);
    QWidget *port = v->viewport();
    const int height = v->fontMetrics().lineSpacing();
    // The start of a line, and two characters into it.
    const auto at = [height](int line, int x) { return QPoint(x, line * height + height / 2); };
    const int two = 4 + v->fontMetrics().horizontalAdvance(QStringLiteral("li"));
    if (how == QLatin1String("drag")) {
        QTest::mousePress(port, Qt::LeftButton, {}, at(0, 1));
        QMouseEvent move(QEvent::MouseMove, at(2, two), port->mapToGlobal(at(2, two)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QTest::mouseRelease(port, Qt::LeftButton, {}, at(2, two));
    } else if (how == QLatin1String("double")) {
        QTest::mouseDClick(port, Qt::LeftButton, {}, at(1, two));
    } else if (how == QLatin1String("shift")) {
        QTest::mouseClick(port, Qt::LeftButton, {}, at(0, 1));
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, at(1, two));
    } else {
        QTest::keyClick(v, Qt::Key_A, Qt::ControlModifier);
    }
    QGuiApplication::clipboard()->clear();
    v->copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

void TestLogView::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("steps"); // n: next, p: previous
    QTest::addColumn<QString>("found"); // the line of each match, - for none
    QTest::addColumn<QString>("count");
    QTest::newRow("next, then wraps") << "alpha" << false << "nnn"
                                      << "0 2 0"
                                      << "2 lines match";
    QTest::newRow("previous wraps from the start") << "alpha" << false << "pp"
                                                   << "2 0"
                                                   << "2 lines match";
    QTest::newRow("any case") << "beta" << false << "nn"
                              << "1 2"
                              << "2 lines match";
    QTest::newRow("matching case") << "beta" << true << "nn"
                                   << "2 2"
                                   << "1 line matches";
    QTest::newRow("nowhere") << "gamma" << false << "n"
                             << "-"
                             << "0 lines match";
}

void TestLogView::find()
{
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    QFETCH(QString, steps);
    QFETCH(QString, found);
    QFETCH(QString, count);
    const auto w = window(QString());
    for (const char *line : {"alpha", "Beta", "alpha beta"})
        w->debugMessage(4, 1, QString(), QLatin1String(line));
    w->flushLog();
    view(*w)->setCursorPosition({});
    DuzUdozuzeFindBar *bar = w->findBar();
    bar->textEdit()->setText(text);
    bar->caseBox()->setChecked(matchCase);
    QStringList lines;
    for (const QChar step : steps) {
        const bool hit = step == QLatin1Char('n') ? bar->findNext() : bar->findPrevious();
        lines.append(hit ? QString::number(view(*w)->cursorPosition().serial.value())
                         : QStringLiteral("-"));
    }
    QCOMPARE(lines.join(QLatin1Char(' ')), found);
    QCOMPARE(bar->status(), found == QLatin1String("-") ? QStringLiteral("not found") : QString());
    QCOMPARE(bar->countText(), count);
    if (found != QLatin1String("-"))
        QCOMPARE(view(*w)->selectedText().toLower(), text.toLower());
}

// The filter shows the matching lines, new ones too, and says how many;
// clearing it shows all the lines again, the line at the top staying there.
void TestLogView::filterShowsMatchingLines()
{
    const auto w = window(QString());
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    log(*w, 0, 300);
    DuzUdozuzeLogView *v = view(*w);
    v->verticalScrollBar()->setValue(50);
    w->findBar()->showOnly(QStringLiteral("LINE 1"));
    QTRY_VERIFY(v->filterComplete());
    QCOMPARE(v->rowCount(), 111); // 1, 10 to 19, 100 to 199
    QCOMPARE(w->findBar()->shownText(), QStringLiteral("111 of 300 lines shown"));
    // Escape in the field clears the filter; the strip says it as long as it stands.
    w->findBar()->openFilter();
    QTest::keyClick(w->findBar()->filterEdit(), Qt::Key_Escape);
    QVERIFY(w->findBar()->isVisible() && v->filterText().isEmpty());
    w->findBar()->showOnly(QStringLiteral("LINE 1"));
    w->findBar()->hide();
    QTRY_COMPARE(
        w->findChild<DuzUdozuzeFilterStrip *>()->text(),
        QStringLiteral("Filtered: only lines containing \"LINE 1\", 111 of 300 lines shown"));
    log(*w, 300, 20); // "line 310" to "line 319" arrive, and others
    QCOMPARE(v->rowCount(), 111);
    w->findBar()->caseBox()->setChecked(true);
    QTRY_VERIFY(v->filterComplete());
    QCOMPARE(v->rowCount(), 0);
    w->findBar()->caseBox()->setChecked(false);
    QTRY_VERIFY(v->filterComplete());
    QCOMPARE(v->rowCount(), 111);
    w->findBar()->showOnly(QStringLiteral("line 31"));
    QTRY_VERIFY(v->filterComplete());
    QCOMPARE(v->rowCount(), 11); // 31, 310 to 319
    QCOMPARE(v->rowText(v->topRow()), QStringLiteral("line 31"));
    w->findBar()->showOnly(QString());
    QCOMPARE(v->rowCount(), 320);
    QCOMPARE(v->rowText(v->topRow()), QStringLiteral("line 31"));
}

// Scrolled up by hand, the view stays on its lines while new ones arrive and
// old ones are trimmed; scrolled to the end, it follows again.
void TestLogView::followKeepsThePlace()
{
    const auto w = window(QStringLiteral("/maxlines=100"));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QScrollBar *bar = view(*w)->verticalScrollBar();
    QToolButton *cue = w->findChild<QToolButton *>(QStringLiteral("newLines"));
    w->followAction()->setChecked(false);
    log(*w, 0, 3); // all in sight: nothing new to bring into it
    QVERIFY(cue->isHidden());
    w->followAction()->setChecked(true);
    log(*w, 3, 97);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(w->followAction()->isChecked());

    bar->setValue(bar->value() / 2);
    QVERIFY(!w->followAction()->isChecked());
    const QString top = view(*w)->rowText(view(*w)->topRow());
    log(*w, 100, 15); // 15 lines trimmed
    QCOMPARE(view(*w)->rowText(view(*w)->topRow()), top);
    QCOMPARE(cue->text(), QStringLiteral("15 new lines"));

    bar->setValue(bar->maximum());
    QVERIFY(w->followAction()->isChecked());
    log(*w, 115, 5);
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(view(*w)->rowText(DuzUdozuzeLogRow(view(*w)->rowCount() - 1)),
             QStringLiteral("line 119"));
}

// Keys change nothing in the record of what was received; a note is a line
// of its own, marked, escaped.
void TestLogView::readOnlyButNotes()
{
    const auto w = window(QString());
    log(*w, 0, 2);
    DuzUdozuzeLogView *v = view(*w);
    QTest::keyClick(v, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(v, QStringLiteral("typed"));
    for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return})
        QTest::keyClick(v, key);
    QTest::keyClick(v, Qt::Key_X, Qt::ControlModifier);
    w->flushLog();
    QCOMPARE(v->toPlainText(), QStringLiteral("line 0\nline 1"));
    w->addNote(QStringLiteral("checked the\nfire panel \x1b[31m"));
    w->flushLog();
    QCOMPARE(v->rowText(DuzUdozuzeLogRow(2)).mid(13),
             QStringLiteral("Note: checked the\\nfire panel \\x1B[31m"));
    // In any script, and whole, however long.
    w->addNote(QStringLiteral("Prüfung € Москва\t").repeated(300));
    w->flushLog();
    QCOMPARE(v->rowText(DuzUdozuzeLogRow(3)).mid(13),
             QStringLiteral("Note: ") + QStringLiteral("Prüfung € Москва\\t").repeated(300));
    // The dialog takes no more than its limit, and no half of a character.
    QTimer::singleShot(0, w.get(), [] {
        QWidget *dialog = QApplication::activeModalWidget();
        dialog->findChild<QLineEdit *>()->insert(QString(999, u'x') + QStringLiteral("😀😀"));
        qobject_cast<QDialog *>(dialog)->accept();
    });
    for (QAction *action : w->findChildren<QAction *>()) {
        if (action->text() == QLatin1String("Add &Note..."))
            action->trigger();
    }
    w->flushLog();
    QCOMPARE(v->rowText(DuzUdozuzeLogRow(4)).mid(13),
             QStringLiteral("Note: ") + QString(999, u'x'));
}

QTEST_MAIN(TestLogView)
#include "tst_logview.moc"
