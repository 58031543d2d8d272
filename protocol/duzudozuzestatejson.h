// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZESTATEJSON_H
#define DUZUDOZUZESTATEJSON_H

#include <QJsonObject>

class DuzUdozuzeSession;
struct DuzUdozuzeSettings;

// The picture of the election as one JSON object, for scripts and the live
// page: who this workstation is and its mode, the counts, the window's
// headline and who claims master in its own group, the warnings in force, the
// rows, the Warnings log and the Mastership history, with their columns. The texts are the cells
// the window shows (text from the network and the environment with its control characters escaped,
// as the log has them); JSON's own escaping is the writer's. Rows come as the dump has them, the
// own row first and the others by workstation number; the logs newest first.
namespace DuzUdozuzeStateJson {

// logLinesDropped: lines the front end could not show; listening: the set-up
// succeeded (the headline says "Not listening" otherwise).
[[nodiscard]] QJsonObject state(const DuzUdozuzeSession &session,
                                const DuzUdozuzeSettings &settings, quint64 logLinesDropped,
                                bool listening);

} // namespace DuzUdozuzeStateJson

#endif // DUZUDOZUZESTATEJSON_H
