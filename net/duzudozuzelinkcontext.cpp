#include "duzudozuzelinkcontext.h"

#include "duzudozuzelogline.h"
#include "duzudozuzesystemini.h"

void DuzUdozuzeLinkContext::logPrintf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const QString line = DuzUdozuzeLogLine::build(format, args);
    va_end(args);
    logLine(line);
}

bool DuzUdozuzeLinkContext::readSystemIniChannel(const QString &root, const QString &system,
                                                 int &channel)
{
    return acceptChannel(DuzUdozuzeSystemIni::read(root, system).channel, channel);
}

bool DuzUdozuzeLinkContext::acceptChannel(const QByteArray &text, int &channel)
{
    if (const auto number = DuzUdozuzeSystemIni::toChannel(text)) {
        channel = *number;
        return true;
    }
    logPrintf("Not a valid channel number: '%s'", DuzUdozuzeLogLine::escaped(text).constData());
    return false;
}
