// SPDX-License-Identifier: MIT
#include "app/duzudozuzefilemenu.h"

#include "app/duzudozuzefrontend.h"
#include "app/duzudozuzelogview.h"
#include "app/duzudozuzerecordingdialog.h"
#include "net/duzudozuzecontrolstring.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QStatusBar>

DuzUdozuzeFileMenu::DuzUdozuzeFileMenu(QMainWindow *window, DuzUdozuzeLogView *view,
                                       const DuzUdozuzeFrontEnd &frontEnd, const QStringList &args)
    : QObject(window), m_pqWindow(window), m_pView(view), m_frontEnd(frontEnd), m_args(args)
{
    QMenu *file = window->menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open Capture..."), this, &DuzUdozuzeFileMenu::openCapture)
        ->setShortcut(QKeySequence::Open);
    file->addAction(tr("Open &Recording..."), this, &DuzUdozuzeFileMenu::openRecording);
    QAction *save = file->addAction(tr("&Save Log..."), this, &DuzUdozuzeFileMenu::saveLogAs);
    save->setShortcut(QKeySequence::Save);
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), window, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
}

QString DuzUdozuzeFileMenu::saveLog(const QString &path)
{
    m_pView->refresh();
    return m_pView->save(path);
}

// A capture opens in a window of its own: this one goes on listening.
void DuzUdozuzeFileMenu::openCapture()
{
    const QString path
        = QFileDialog::getOpenFileName(m_pqWindow, tr("Open Capture"), QString(),
                                       tr("Captures (*.pcap *.pcapng *.cap *.dmp);;All files (*)"));
    if (path.isEmpty())
        return;
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                 DuzUdozuzeControlString::captureArguments(m_args, path)))
        m_pqWindow->statusBar()->showMessage(
            tr("The capture could not be opened: the program did not start"));
}

// This program's own recording is the one offered first.
void DuzUdozuzeFileMenu::openRecording()
{
    DuzUdozuzeRecordingDialog::open(m_pqWindow, m_args,
                                    m_frontEnd.station()->settings().m_strRecordPath);
}

void DuzUdozuzeFileMenu::saveLogAs()
{
    const QString filter = m_pView->filterText();
    const QString title = filter.isEmpty()
        ? tr("Save Log")
        : tr("Save Log: only the lines shown, those containing \"%1\"").arg(filter);
    // A name of its own for each save, by the minute.
    const QString name = QDateTime::currentDateTime().toString(
        QStringLiteral("'duzudozuze-'yyyy-MM-dd-HHmm'.log'"));
    const QString path = QFileDialog::getSaveFileName(m_pqWindow, title, name,
                                                      tr("Log files (*.log *.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    const QString error = saveLog(path);
    if (!error.isEmpty()) {
        QMessageBox::warning(m_pqWindow, tr("Save Log"),
                             tr("The log could not be saved to %1:\n%2").arg(path, error));
        return;
    }
    m_pqWindow->statusBar()->showMessage(
        tr("Saved %1 lines to %2").arg(m_pView->rowCount()).arg(path), 10000);
}
