// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECEPTION_H
#define DUZUDOZUZERECEPTION_H

struct DuzUdozuzeSettings;
struct DuzUdozuzeStatusDatagram;

// The two stages a received status datagram goes through.
namespace DuzUdozuzeReception {

// The workstation and channel filters of the control string (-1 passes all);
// a datagram that fails is dropped without a line. The session runs the
// system and alarm system patterns itself, only those that do not let all
// through.
bool passesNumberFilters(const DuzUdozuzeStatusDatagram &datagram,
                         const DuzUdozuzeSettings &settings);

// The respond checks against this workstation's own identity, in order, in
// two halves: the names, then the numbers. Each returns the line of the
// first check that fails, or nullptr when the datagram passes it.
const char *namesCheckFailure(const DuzUdozuzeStatusDatagram &datagram,
                              const DuzUdozuzeSettings &settings);
const char *numbersCheckFailure(const DuzUdozuzeStatusDatagram &datagram,
                                const DuzUdozuzeSettings &settings);

} // namespace DuzUdozuzeReception

#endif // DUZUDOZUZERECEPTION_H
