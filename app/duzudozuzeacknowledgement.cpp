// SPDX-License-Identifier: MIT
#include "app/duzudozuzeacknowledgement.h"

#include "app/duzudozuzealertsound.h"
#include "protocol/duzudozuzeworkstationtable.h"

#include <QAction>

DuzUdozuzeAcknowledgement::DuzUdozuzeAcknowledgement(DuzUdozuzeWorkstationTable &table,
                                                     QObject *parent)
    : QObject(parent),
      m_table(table),
      m_pqAcknowledge(new QAction(tr("&Acknowledge Warnings"), this)),
      m_pqSound(new QAction(tr("&Sound on Warning"), this))
{
    m_pqAcknowledge->setObjectName(QStringLiteral("acknowledgeWarnings"));
    m_pqAcknowledge->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_pqAcknowledge->setShortcutContext(Qt::WindowShortcut);
    connect(m_pqAcknowledge, &QAction::triggered, this, &DuzUdozuzeAcknowledgement::acknowledgeAll);
    m_pqSound->setObjectName(QStringLiteral("soundOnWarning"));
    m_pqSound->setCheckable(true);
}

DuzUdozuzeAcknowledgement::~DuzUdozuzeAcknowledgement() = default;

void DuzUdozuzeAcknowledgement::acknowledgeAll()
{
    if (const int count = m_table.acknowledgeWarnings(); count > 0)
        emit acknowledged(count);
}

void DuzUdozuzeAcknowledgement::acknowledgeRow(int row)
{
    if (row >= 0 && size_t(row) < m_table.warningLog().size() && m_table.acknowledgeWarning(row))
        emit acknowledged(1);
}

void DuzUdozuzeAcknowledgement::raised()
{
    if (!m_pqSound->isChecked())
        return;
    if (!m_pSound)
        m_pSound = std::make_unique<DuzUdozuzeAlertSound>();
    if (!m_pSound->play() && !m_bSoundFailed) {
        m_bSoundFailed = true;
        emit soundFailed(tr("No warning sound could be played (no sound device or sound "
                            "theme): the desktop's beep was tried instead"));
    }
}
