#pragma once

#include "qtclient.h"

#include <QString>

// Follows the statuses a controller client reports and tells when a link
// that was up is lost: once per loss, however many failed attempts follow,
// until the link is up again. A link is up from its first Updated on, which
// a client tells only of data it could take (the gateway's after its read
// sweep, the TW controller's with a whole frame): a controller that takes
// the connection and sends nothing of use was never up, and its failed
// tries are told in the status bar only. The devices behind a lost link
// show Failure, so the alarm log records the loss; it then reads failure,
// then the devices' change back to OK. A close the client was asked for (a
// new project, a new address) loses nothing.
class LinkLossWatch
{
public:
    // `link` names the link in the row's message, so that a gateway and a
    // TW controller at one address leave rows that tell them apart.
    explicit LinkLossWatch(const QString& link)
        : m_message(QStringLiteral("Link lost to the %1: change status to Failure").arg(link))
    {
    }

    // An alarm-log row: who, why, what.
    struct Row
    {
        QString source;
        QString reason;
        QString message;
    };

    // Takes the next status of the link to `source` (the controller as the
    // site names it). True, with the row to log, when it loses a link that
    // was up; the row names the source the link was up to.
    bool follow(qtClient::ClientStatus status, const QString& source, Row* row);
    // The client closes the link itself: the close it reports next is no loss.
    void closedOnPurpose() { m_up = false; }

private:
    const QString m_message;
    bool m_up = false;
    QString m_source;
};
