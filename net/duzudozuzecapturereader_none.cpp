// SPDX-License-Identifier: MIT
// A build without libpcap opens no capture, and says why.
#include "net/duzudozuzecapturereader.h"

DuzUdozuzeCaptureReader::DuzUdozuzeCaptureReader(const QString &)
    : m_strError(QStringLiteral("not available in this build"))
{ }

DuzUdozuzeCaptureReader::~DuzUdozuzeCaptureReader() = default;

DuzUdozuzeCaptureReader::Result DuzUdozuzeCaptureReader::next(Datagram &)
{
    return Result::End;
}
