// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzemastership.h"

#include "common/duzudozuzelogline.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {

// A line that names the master workstation: "<before><number> is master<after>".
// Made without a format, as it comes once a datagram under /auto.
QByteArray naming(std::string_view before, int masterWorkstation, std::string_view after = {})
{
    char line[160];
    char *end = std::copy(before.begin(), before.end(), line);
    end = std::to_chars(end, line + sizeof line, masterWorkstation).ptr;
    constexpr std::string_view Middle = " is master";
    end = std::copy(Middle.begin(), Middle.end(), end);
    end = std::copy(after.begin(), after.end(), end);
    return QByteArray(line, end - line);
}

// The lines of the "Changing mastership" rows print the mode and the master
// workstation before the change: "<before><mode>. ws <number> is master<after>".
QByteArray changing(std::string_view before, bool master, int masterWorkstation,
                    std::string_view after = {})
{
    char start[128];
    char *end = std::copy(before.begin(), before.end(), start);
    *end++ = master ? '1' : '0';
    constexpr std::string_view Ws = ". ws ";
    end = std::copy(Ws.begin(), Ws.end(), end);
    return naming(std::string_view(start, size_t(end - start)), masterWorkstation, after);
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
            step.line = naming(" NA. We are slave. ws ", m_nMasterWorkstation);
        } else if (m_bOk) {
            step.line = "Received NA and we're OK. We are master - tell other to go slave. "
                        "Send NO.";
            step.answerNo = true;
        } else if (healthWord == QLatin1String("OK")) {
            step.line = changing("Received NA+OK and we're not OK. Changing mastership. Going to "
                                 "slave from mode ",
                                 m_bMaster, m_nMasterWorkstation);
            step.master = false;
        } else {
            step.line = "Received NA and we're not OK. They are not Ok too so stay as master. "
                        "Send NO.";
            step.answerNo = true;
        }
    } else if (code == QLatin1String("NU")) {
        if (m_bOk) {
            step.line = changing("Changing mastership. Going to master from mode ", m_bMaster,
                                 m_nMasterWorkstation, ". NU");
            becomeMaster();
        } else if (m_bMaster) {
            step.line = changing("Changing mastership. Going to slave from mode ", m_bMaster,
                                 m_nMasterWorkstation, ". NU");
            step.master = false;
        } else {
            step.line = " NU. Someone else is master and not happy. We're not happy either, nor "
                        "master. Do nothing.";
        }
    } else if (code == QLatin1String("NO")) {
        step.line = changing("Changing mastership. Going to slave from mode ", m_bMaster,
                             m_nMasterWorkstation, ". NO");
        step.master = false;
    } else if (code == QLatin1String("NC")) {
        step.line = changing("Changing mastership. Going to master from mode ", m_bMaster,
                             m_nMasterWorkstation, ". NC");
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
