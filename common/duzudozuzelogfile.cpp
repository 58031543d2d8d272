// SPDX-License-Identifier: MIT
#include "common/duzudozuzelogfile.h"

#include <QFileInfo>
#include <QSaveFile>

QString DuzUdozuzeLogFile::write(const QString &path, const QList<QByteArrayView> &runs)
{
    // The new file is renamed over the old one: whatever else stands at path
    // (or where a link there points) would be replaced by a file, never
    // written to.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return tr("It is not a regular file (a device, a FIFO, a folder or a socket): nothing "
                  "was replaced.");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    bool written = true;
    for (const QByteArrayView run : runs) {
        if (!(written = file.write(run.data(), run.size()) >= 0))
            break;
    }
    // A failure of the last buffered write shows only in the flush; the file
    // is replaced only when every byte is out.
    written = written && file.flush();
    const QString error = file.errorString();
    if (!written)
        file.cancelWriting();
    if (!file.commit())
        return written ? file.errorString() : error;
    return {};
}
