// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZENOTEDIALOG_H
#define DUZUDOZUZENOTEDIALOG_H

#include <QDialog>

class QLineEdit;

// Asks for the operator's own remark, of at most a given number of characters,
// and says so.
class DuzUdozuzeNoteDialog : public QDialog
{
    Q_OBJECT

public:
    DuzUdozuzeNoteDialog(int maxLength, QWidget *parent = nullptr);

    // The text typed, whole: a character the limit would halve is left out.
    QString note() const;

private:
    QLineEdit *m_pqEdit;
};

#endif // DUZUDOZUZENOTEDIALOG_H
