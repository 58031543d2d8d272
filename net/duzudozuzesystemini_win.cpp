// SPDX-License-Identifier: MIT
// The system INI file read as the host system reads it on Windows: by the
// profile functions, which take the first of repeated keys, match names in
// any letter case and take the quotes off a quoted value.
#include "net/duzudozuzesystemini.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <iterator>

namespace {

QByteArray profileValue(const QString &path, const wchar_t *key)
{
    wchar_t value[4096];
    const DWORD length
        = GetPrivateProfileStringW(L"Network", key, L"", value, DWORD(std::size(value)),
                                   reinterpret_cast<LPCWSTR>(path.utf16()));
    // The names are Latin-1, as the wire carries them.
    return QString::fromWCharArray(value, int(length)).toLatin1();
}

} // namespace

DuzUdozuzeSystemIni::Network DuzUdozuzeSystemIni::read(const QString &root, const QString &system)
{
    const QString file = QDir::toNativeSeparators(path(root, system));
    if (!QFileInfo(file).isFile())
        return {};
    return {profileValue(file, L"Channel").left(MaxChannelLength),
            profileValue(file, L"AlarmSystem")};
}
