// SPDX-License-Identifier: MIT
#include "app/duzudozuzenotedialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

DuzUdozuzeNoteDialog::DuzUdozuzeNoteDialog(int maxLength, QWidget *parent)
    : QDialog(parent), m_pqEdit(new QLineEdit(this))
{
    setWindowTitle(tr("Add Note"));
    m_pqEdit->setMaxLength(maxLength);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Note (at most %L1 characters):").arg(maxLength), this));
    layout->addWidget(m_pqEdit);
    layout->addWidget(buttons);
}

// The limit counts UTF-16 units.
QString DuzUdozuzeNoteDialog::note() const
{
    QString text = m_pqEdit->text();
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    return text;
}
