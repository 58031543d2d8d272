// SPDX-License-Identifier: MIT
#include "app/duzudozuzefrontend.h"

#include "app/duzudozuzetimelinereport.h"
#include "common/duzudozuzelogline.h"
#include "net/duzudozuzehttpview.h"
#include "protocol/duzudozuzestatejson.h"
#include "protocol/duzudozuzetimelinejson.h"
#include "protocol/duzudozuzetimelinesvg.h"

#include <QHostAddress>
#include <QJsonDocument>

namespace {

// The spans an answer of the timeline holds at most: a client asking for a
// day of a flapping fleet holds reception up for some 50 ms, not a second.
constexpr int MaxSpansAnswered = 10000;

} // namespace

bool DuzUdozuzeFrontEnd::startHttp(QObject *owner)
{
    const DuzUdozuzeSettings &settings = m_pStation->settings();
    if (settings.m_strHttpAddress.isEmpty())
        return true;
    const auto state = [this] {
        return QJsonDocument(DuzUdozuzeStateJson::state(m_pStation->session(),
                                                        m_pStation->settings(), logLinesDropped(),
                                                        m_pStation->isValid()))
            .toJson(QJsonDocument::Compact);
    };
    // The last hour by default as JSON, the last 15 minutes as the page's
    // picture.
    const auto timeline = [this](qint64 from, qint64 until) {
        const DuzUdozuzeTimeline &kept = m_pStation->session().timeline();
        return QJsonDocument(DuzUdozuzeTimelineJson::timeline(
                                 kept,
                                 DuzUdozuzeTimelineJson::range(kept, from, until, 60 * 60 * 1000),
                                 MaxSpansAnswered))
            .toJson(QJsonDocument::Compact);
    };
    const auto picture = [this](qint64 from, qint64 until, int width) {
        const DuzUdozuzeSession &session = m_pStation->session();
        const DuzUdozuzeTimeline &kept = session.timeline();
        const DuzUdozuzeTimelineJson::Range range
            = DuzUdozuzeTimelineJson::range(kept, from, until, 15 * 60 * 1000);
        return DuzUdozuzeTimelineSvg::write(kept,
                                            {DuzUdozuzeTimelineReport::title(session), range.from,
                                             range.until, width, MaxSpansAnswered});
    };
    auto view = std::make_unique<DuzUdozuzeHttpView>(
        DuzUdozuzeHttpView::Content {[this] { return metricsText(); }, state,
                                     [this] { return unhealthyReason(); }, timeline, picture},
        owner);
    const QString error
        = view->listen(QHostAddress(settings.m_strHttpAddress), quint16(settings.m_nHttpPort));
    if (!error.isEmpty()) {
        logPrintf("Can't listen for HTTP on %s:%d: %s", qPrintable(settings.m_strHttpAddress),
                  settings.m_nHttpPort, DuzUdozuzeLogLine::escaped(error).constData());
        return false;
    }
    logPrintf("HTTP view on http://%s:%d/", qPrintable(settings.m_strHttpAddress),
              settings.m_nHttpPort);
    m_pHttpView = view.release(); // owned by owner from now on
    return true;
}

void DuzUdozuzeFrontEnd::stopHttp()
{
    delete m_pHttpView;
    m_pHttpView = nullptr;
}
