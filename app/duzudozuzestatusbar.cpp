// SPDX-License-Identifier: MIT
#include "app/duzudozuzestatusbar.h"

#include "app/duzudozuzeelidedlabel.h"
#include "app/duzudozuzefrontend.h"
#include "app/duzudozuzewarningstyle.h"
#include "net/duzudozuzestation.h"

#include <QTextDocument>

namespace {

// Text from the network as a tooltip: shown as it is, on lines of its own.
QString plainToolTip(const QString &text)
{
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}

} // namespace

DuzUdozuzeStatusBar::DuzUdozuzeStatusBar(QWidget *parent)
    : QStatusBar(parent),
      m_pqWarnings(new DuzUdozuzeElidedLabel(this)),
      m_pqMode(new QLabel(this)),
      m_pqCounts(new QLabel(this)),
      m_pqDropped(new QLabel(this)),
      m_pqProblems(new DuzUdozuzeElidedLabel(this))
{
    m_pqWarnings->setObjectName(QStringLiteral("statusWarnings"));
    m_pqWarnings->setStyleSheet(DuzUdozuzeWarningStyle::sheet(QStringLiteral("QLabel"), palette()));
    m_pqWarnings->hide();
    // A place of its own, as wide as a short warning: a message and the
    // counts keep theirs beside it.
    m_pqWarnings->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    addPermanentWidget(m_pqWarnings);
    m_pqDropped->hide();
    addWidget(m_pqMode);
    addWidget(m_pqCounts);
    addWidget(m_pqDropped);
    m_pqProblems->setObjectName(QStringLiteral("statusProblems"));
    m_pqProblems->hide();
    m_pqProblems->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    addPermanentWidget(m_pqProblems);
}

void DuzUdozuzeStatusBar::showState(const DuzUdozuzeStation &station, quint64 linesDropped)
{
    const DuzUdozuzeSession &session = station.session();
    if (session.workstations().evicted() > 0 && !m_bEvictionTold) {
        m_bEvictionTold = true;
        showMessage(tr("The workstation table is full (%1 rows): the stalest rows "
                       "make room for new ones")
                        .arg(DuzUdozuzeWorkstationTable::MaxRows),
                    30000);
    }
    // A window of the past and one not listening take no part: no mode.
    m_pqMode->setVisible(station.isValid() && station.traits().isLive());
    m_pqMode->setText(session.isMaster()                    ? tr("Master")
                          : session.respondsAutomatically() ? tr("Slave")
                                                            : tr("Watching"));
    m_pqCounts->setText(DuzUdozuzeFrontEnd::countsText(session));
    m_pqDropped->setVisible(linesDropped > 0);
    if (linesDropped > 0)
        m_pqDropped->setText(tr("oldest %1 lines dropped").arg(linesDropped));
}

void DuzUdozuzeStatusBar::showNotListening(const QString &text)
{
    auto *failed = new QLabel(text, this);
    failed->setObjectName(QStringLiteral("statusNotListening"));
    failed->setStyleSheet(DuzUdozuzeWarningStyle::sheet(QStringLiteral("QLabel"), palette()));
    addWidget(failed);
    m_pqCounts->hide();
}

void DuzUdozuzeStatusBar::showWarnings(const QStringList &warnings)
{
    if (warnings.size() > 1)
        m_pqWarnings->setFullText(
            tr("%1 warnings: %2").arg(warnings.size()).arg(warnings.constFirst()));
    else
        m_pqWarnings->setFullText(warnings.value(0));
    m_pqWarnings->setVisible(!warnings.isEmpty());
    m_pqWarnings->setToolTip(plainToolTip(warnings.join(QLatin1Char('\n'))));
}

void DuzUdozuzeStatusBar::addProblem(const QString &text)
{
    m_problems.append(text);
    m_pqProblems->setFullText(m_problems.join(QStringLiteral("; ")));
    m_pqProblems->setToolTip(plainToolTip(m_problems.join(QLatin1Char('\n'))));
    m_pqProblems->show();
}

void DuzUdozuzeStatusBar::showCapture(const QString &path)
{
    m_pqCapture = new QLabel(tr("Showing the capture %1, not a live port").arg(path), this);
    m_pqCapture->setObjectName(QStringLiteral("statusCapture"));
    m_pqCapture->setTextFormat(Qt::PlainText);
    addWidget(m_pqCapture);
}

void DuzUdozuzeStatusBar::showCaptureRead(const QString &path, bool toItsEnd, quint64 packets,
                                          const QString &summary)
{
    m_pqCapture->setText((toItsEnd ? tr("Showing the capture %1, read to its end: %2 packets")
                                   : tr("Showing the capture %1, read up to packet %2"))
                             .arg(path, QString::number(packets))
                         + (summary.isEmpty() ? QString() : QStringLiteral("; ") + summary));
}
