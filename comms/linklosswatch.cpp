#include "linklosswatch.h"

namespace {

// The status line's words for the ways a link goes down.
QString lossReason(qtClient::ClientStatus status)
{
    switch (status) {
    case qtClient::HeartBeatTimedOut: return QStringLiteral("HeartBeat Timed Out");
    case qtClient::ConnectionClosedByServer: return QStringLiteral("Connection closed by server");
    case qtClient::Error: return QStringLiteral("Error");
    default: return QString();
    }
}

} // namespace

bool LinkLossWatch::follow(qtClient::ClientStatus status, const QString& source, Row* row)
{
    switch (status) {
    case qtClient::Updated:
        if (!m_up)
            m_source = source;
        m_up = true;
        return false;
    case qtClient::HeartBeatTimedOut:
    case qtClient::ConnectionClosedByServer:
    case qtClient::Error:
        if (!m_up)
            return false;
        m_up = false;
        *row = {m_source, lossReason(status), m_message};
        return true;
    default:
        return false;
    }
}
