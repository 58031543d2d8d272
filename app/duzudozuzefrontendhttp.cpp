// SPDX-License-Identifier: MIT
#include "app/duzudozuzefrontend.h"

#include "common/duzudozuzelogline.h"
#include "net/duzudozuzehttpview.h"
#include "protocol/duzudozuzestatejson.h"

#include <QHostAddress>
#include <QJsonDocument>

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
    auto view = std::make_unique<DuzUdozuzeHttpView>(
        DuzUdozuzeHttpView::Content {[this] { return metricsText(); }, state,
                                     [this] { return unhealthyReason(); }},
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
