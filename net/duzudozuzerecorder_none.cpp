// SPDX-License-Identifier: MIT
// A build without libpcap makes no recorder (its set-up refuses /record=):
// what the port would ask of one is never called.
#include "net/duzudozuzerecorder.h"

void DuzUdozuzeRecorder::record(const Datagram &) { }

void DuzUdozuzeRecorder::finish() { }

DuzUdozuzeRecorder::Counts DuzUdozuzeRecorder::counts() const
{
    return {};
}
