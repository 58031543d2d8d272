// SPDX-License-Identifier: MIT
// The control string: the input is the argument list, one argument a line.

#include "common/duzudozuzesettings.h"
#include "net/duzudozuzecontrolstring.h"
#include "net/duzudozuzelinkcontext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

class Context : public DuzUdozuzeLinkContext
{
public:
    QStringList localAddresses() const override
    {
        return {QStringLiteral("10.0.0.5"), QStringLiteral("10.0.0.6"), QStringLiteral("x")};
    }

protected:
    void logLine(const QString &line) override { length += line.size(); }

public:
    qsizetype length = 0;
};

QString hostRoot()
{
    static QTemporaryDir directory;
    static const bool written = [] {
        QDir().mkpath(directory.path() + QStringLiteral("/north/config/system"));
        QFile file(directory.path() + QStringLiteral("/north/config/system/velk_system.ini"));
        return file.open(QIODevice::WriteOnly)
            && file.write("[Network]\nChannel=3\nAlarmSystem=Fire\n") > 0;
    }();
    Q_UNUSED(written);
    return directory.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList args
        = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size))
              .split(QLatin1Char('\n'));
    DuzUdozuzeSettings settings;
    settings.m_strHxRoot = hostRoot();
    settings.m_strHxSystem = QStringLiteral("north");
    Context context;
    DuzUdozuzeControlString::parse(args, settings, context);
    DuzUdozuzeControlString::contains(args, DuzUdozuzeControlString::Option::Console);
    // Whatever was stored must be usable by the set-up and the receiver.
    if (settings.m_nPort < 0 || settings.m_nPort > 0xFFFF)
        __builtin_trap();
    return 0;
}
