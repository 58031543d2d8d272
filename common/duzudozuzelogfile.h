// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZELOGFILE_H
#define DUZUDOZUZELOGFILE_H

#include <QByteArrayView>
#include <QCoreApplication>
#include <QList>
#include <QString>

// Save Log's file: the log's bytes written to path, replacing the file only
// when all of them are written; only a regular file or a new name is
// written.
class DuzUdozuzeLogFile
{
    Q_DECLARE_TR_FUNCTIONS(DuzUdozuzeLogFile)

public:
    // Returns the error, or empty on success.
    [[nodiscard]] static QString write(const QString &path, const QList<QByteArrayView> &runs);
};

#endif // DUZUDOZUZELOGFILE_H
