// SPDX-License-Identifier: MIT
#include "app/duzudozuzerecordingdialog.h"

#include "net/duzudozuzecontrolstring.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

namespace {

// A time and whether it bounds the span, on one row.
QWidget *spanRow(QCheckBox *on, QDateTimeEdit *edit)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(on);
    layout->addWidget(edit, 1);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edit->setCalendarPopup(true);
    edit->setEnabled(false);
    QObject::connect(on, &QCheckBox::toggled, edit, &QWidget::setEnabled);
    return row;
}

} // namespace

DuzUdozuzeRecordingDialog::DuzUdozuzeRecordingDialog(const QString &folder, QWidget *parent)
    : QDialog(parent),
      m_pqFolder(new QLineEdit(folder)),
      m_pqFromOn(new QCheckBox(tr("F&rom"))),
      m_pqFrom(new QDateTimeEdit(QDateTime::currentDateTime().addSecs(-3600))),
      m_pqUntilOn(new QCheckBox(tr("&Until"))),
      m_pqUntil(new QDateTimeEdit(QDateTime::currentDateTime()))
{
    setWindowTitle(tr("Open Recording"));
    auto *browse = new QPushButton(tr("&Browse..."));
    connect(browse, &QPushButton::clicked, this, &DuzUdozuzeRecordingDialog::browse);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_pqFolder, 1);
    folderRow->addWidget(browse);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *form = new QFormLayout(this);
    // A row of its own has no buddy: the label is made to have one.
    auto *folderLabel = new QLabel(tr("&Folder:"));
    folderLabel->setBuddy(m_pqFolder);
    form->addRow(folderLabel, folderRow);
    form->addRow(tr("Span (local time):"), spanRow(m_pqFromOn, m_pqFrom));
    form->addRow(QString(), spanRow(m_pqUntilOn, m_pqUntil));
    form->addRow(buttons);
    resize(520, sizeHint().height());
}

QString DuzUdozuzeRecordingDialog::folder() const
{
    return m_pqFolder->text();
}

QStringList DuzUdozuzeRecordingDialog::spanArguments() const
{
    QStringList arguments;
    if (m_pqFromOn->isChecked())
        arguments << QStringLiteral("/from=") + m_pqFrom->dateTime().toString(Qt::ISODate);
    if (m_pqUntilOn->isChecked())
        arguments << QStringLiteral("/until=") + m_pqUntil->dateTime().toString(Qt::ISODate);
    return arguments;
}

void DuzUdozuzeRecordingDialog::browse()
{
    const QString chosen
        = QFileDialog::getExistingDirectory(this, tr("Recording Folder"), m_pqFolder->text());
    if (!chosen.isEmpty())
        m_pqFolder->setText(chosen);
}

void DuzUdozuzeRecordingDialog::open(QWidget *parent, const QStringList &args,
                                     const QString &folder)
{
    DuzUdozuzeRecordingDialog dialog(folder, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.folder().isEmpty())
        return;
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                 DuzUdozuzeControlString::captureArguments(args, dialog.folder())
                                     + dialog.spanArguments())) {
        QMessageBox::warning(parent, tr("Open Recording"),
                             tr("The recording could not be opened: the program did not start"));
    }
}
