// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECORDINGDIALOG_H
#define DUZUDOZUZERECORDINGDIALOG_H

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QDateTimeEdit;
class QLineEdit;

// File > Open Recording...: asks for a recording's folder and the span to
// read, in local time, and opens it as Open Capture opens a file, in a
// window of its own, while this one goes on listening.
class DuzUdozuzeRecordingDialog : public QDialog
{
    Q_OBJECT

public:
    // folder: the one offered first (this program's own recording, say).
    explicit DuzUdozuzeRecordingDialog(const QString &folder, QWidget *parent = nullptr);

    QString folder() const;
    // /from= and /until=, for the span asked.
    QStringList spanArguments() const;

    // Asks, and opens what was asked with the control string args; says so
    // when the program could not be started.
    static void open(QWidget *parent, const QStringList &args, const QString &folder);

private:
    void browse();

    QLineEdit *m_pqFolder;
    QCheckBox *m_pqFromOn;
    QDateTimeEdit *m_pqFrom;
    QCheckBox *m_pqUntilOn;
    QDateTimeEdit *m_pqUntil;
};

#endif // DUZUDOZUZERECORDINGDIALOG_H
