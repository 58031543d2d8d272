// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECEPTION_H
#define DUZUDOZUZERECEPTION_H

struct DuzUdozuzeSettings;
struct DuzUdozuzeStatusDatagram;

// The two stages a received status datagram goes through.
namespace DuzUdozuzeReception {

// The monitor filters of the control string: system and alarm system patterns
// (searched anywhere in the field; an empty pattern passes all), then the
// workstation and channel filters (-1 passes all). A datagram that fails is
// dropped without a line.
bool passesMonitorFilters(const DuzUdozuzeStatusDatagram &datagram,
                          const DuzUdozuzeSettings &settings);
// The workstation and channel filters alone.
bool passesNumberFilters(const DuzUdozuzeStatusDatagram &datagram,
                         const DuzUdozuzeSettings &settings);

// The respond checks against this workstation's own identity, in order. Returns
// the line of the first check that fails, or nullptr when the datagram is for
// the state machine.
const char *respondCheckFailure(const DuzUdozuzeStatusDatagram &datagram,
                                const DuzUdozuzeSettings &settings);
// The same in two halves: the names, then the numbers.
const char *namesCheckFailure(const DuzUdozuzeStatusDatagram &datagram,
                              const DuzUdozuzeSettings &settings);
const char *numbersCheckFailure(const DuzUdozuzeStatusDatagram &datagram,
                                const DuzUdozuzeSettings &settings);

} // namespace DuzUdozuzeReception

#endif // DUZUDOZUZERECEPTION_H
