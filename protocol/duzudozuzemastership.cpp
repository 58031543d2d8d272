// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzemastership.h"

#include "common/duzudozuzelogline.h"

#include <cstdio>

namespace {

// The lines of the "Changing mastership" rows print the mode and the master
// workstation before the change.
QByteArray changing(const char *format, bool master, int masterWorkstation)
{
    char line[160];
    std::snprintf(line, sizeof line, format, int(master), masterWorkstation);
    return line;
}

} // namespace

DuzUdozuzeMastership::Step DuzUdozuzeMastership::decide(const QString &code,
                                                        const QString &healthWord) const
{
    Step step;
    step.master = m_bMaster;
    step.masterWorkstation = m_nMasterWorkstation;
    const auto becomeMaster = [&step] {
        step.master = true;
        step.masterWorkstation = 0;
    };

    if (code == QLatin1String("NA")) {
        if (!m_bMaster) {
            char line[64];
            std::snprintf(line, sizeof line, " NA. We are slave. ws %d is master",
                          m_nMasterWorkstation);
            step.line = line;
        } else if (m_bOk) {
            step.line = "Received NA and we're OK. We are master - tell other to go slave. "
                        "Send NO.";
            step.answerNo = true;
        } else if (healthWord == QLatin1String("OK")) {
            step.line = changing("Received NA+OK and we're not OK. Changing mastership. Going to "
                                 "slave from mode %d. ws %d is master",
                                 m_bMaster, m_nMasterWorkstation);
            step.master = false;
        } else {
            step.line = "Received NA and we're not OK. They are not Ok too so stay as master. "
                        "Send NO.";
            step.answerNo = true;
        }
    } else if (code == QLatin1String("NU")) {
        if (m_bOk) {
            step.line = changing("Changing mastership. Going to master from mode %d. ws %d is "
                                 "master. NU",
                                 m_bMaster, m_nMasterWorkstation);
            becomeMaster();
        } else if (m_bMaster) {
            step.line = changing("Changing mastership. Going to slave from mode %d. ws %d is "
                                 "master. NU",
                                 m_bMaster, m_nMasterWorkstation);
            step.master = false;
        } else {
            step.line = " NU. Someone else is master and not happy. We're not happy either, nor "
                        "master. Do nothing.";
        }
    } else if (code == QLatin1String("NO")) {
        step.line
            = changing("Changing mastership. Going to slave from mode %d. ws %d is master. NO",
                       m_bMaster, m_nMasterWorkstation);
        step.master = false;
    } else if (code == QLatin1String("NC")) {
        step.line = changing("Changing mastership. Going to master from mode %d. ws %d is "
                             "master. NC",
                             m_bMaster, m_nMasterWorkstation);
        becomeMaster();
    } else {
        step.line = " UNKNOWN MESSAGE CODE RECEIVED '" + DuzUdozuzeLogLine::escaped(code.toLatin1())
            + '\'';
    }
    return step;
}

void DuzUdozuzeMastership::apply(const Step &step)
{
    m_bMaster = step.master;
    m_nMasterWorkstation = step.masterWorkstation;
}
