#include "upload/NetworkMonitor.h"

#include "foundation/Log.h"

#include <QNetworkInformation>

namespace {

QNetworkInformation *loadBackend()
{
    if (QNetworkInformation::loadDefaultBackend())
        return QNetworkInformation::instance();
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return QNetworkInformation::instance();
    return nullptr;
}

bool isUsable(QNetworkInformation::Reachability reachability)
{
    // Unknown means the backend cannot tell; like the initial state, that counts as online.
    return reachability == QNetworkInformation::Reachability::Online ||
           reachability == QNetworkInformation::Reachability::Unknown;
}

} // namespace

NetworkMonitor::NetworkMonitor(QObject *parent)
    : QObject(parent)
    , m_information(loadBackend())
{
    if (!m_information) {
        zuvInfo(lcUpload) << "Network: no reachability backend; assuming online";
        return;
    }
    connect(m_information, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                applyReachability(isUsable(reachability));
            });
    // Some backends know the state at once and send no change for it.
    if (m_information->reachability() != QNetworkInformation::Reachability::Unknown)
        applyReachability(isUsable(m_information->reachability()));
}

void NetworkMonitor::applyReachability(bool online)
{
    zuvInfo(lcUpload).noquote() << "Network:" << (online ? "online" : "offline");
    m_online.store(online);
}
