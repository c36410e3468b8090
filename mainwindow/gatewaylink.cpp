#include "gatewaylink.h"
#include "mainwindowlogging.h"

#include "deviceunits.h"
#include "dottedquad.h"
#include "node.h"
#include "qtclient.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "treemodel.h"

#include <QSet>

#include <utility>

GatewayLink::GatewayLink(DeviceUnits* units, SiteTrees* trees, QObject* parent)
    : QObject(parent)
    , m_units(units)
    , m_trees(trees)
{
    TreeModel* model = trees->energizerModel();
    // Only the gateways themselves, the model's top rows, count here.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &GatewayLink::gatewaysLeaving);
    const auto topRows = [this](const QModelIndex& parent) {
        if (!parent.isValid())
            schedule();
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, topRows);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [topRows](const QModelIndex& topLeft) { topRows(topLeft.parent()); });
    connect(model, &QAbstractItemModel::modelReset, this, &GatewayLink::schedule);
    if (qtClient* client = m_units->fenceClient())
        connect(client, &qtClient::commStatus, this, &GatewayLink::schedule);
}

void GatewayLink::gatewaysLeaving(const QModelIndex& parent, int first, int last)
{
    qtClient* client = m_units->fenceClient();
    const QString dialled = client ? client->address() : QString();
    if (parent.isValid() || dialled.isEmpty())
        return;
    SiteLocker lock;
    for (int row = first; row <= last; ++row) {
        if (const Node* gateway = m_trees->energizerRoot()->child(row))
            m_dialledBoxLeft = m_dialledBoxLeft || gateway->data(0).toString() == dialled;
    }
    schedule();
}

void GatewayLink::schedule()
{
    if (std::exchange(m_scheduled, true))
        return;
    QMetaObject::invokeMethod(this, [this] {
        m_scheduled = false;
        if (std::exchange(m_dialledBoxLeft, false))
            followBoxes();
        updateNote();
    }, Qt::QueuedConnection);
}

void GatewayLink::followBoxes()
{
    qtClient* client = m_units->fenceClient();
    const QString dialled = client ? client->address() : QString();
    const QStringList addresses = m_trees->gatewayAddresses();
    if (dialled.isEmpty() || addresses.contains(dialled))
        return;
    QString next;
    for (const QString& address : addresses) {
        if (isDottedQuad(address))
            next = address;
    }
    qCWarning(lcMainWindow).noquote()
        << QStringLiteral("Gateway link: no gateway box at %1 any more; %2")
               .arg(dialled, next.isEmpty() ? QStringLiteral("the link is closed")
                                            : QStringLiteral("the link moves to %1").arg(next));
    client->moveTo(next);
}

void GatewayLink::updateNote()
{
    const QStringList addresses = m_trees->gatewayAddresses();
    QString note;
    if (QSet<QString>(addresses.cbegin(), addresses.cend()).size() > 1) {
        const QString dialled = m_units->fenceClient() ? m_units->fenceClient()->address() : QString();
        note = dialled.isEmpty() ? tr("no KX4 link") : tr("KX4 %1").arg(dialled);
    }
    if (note == m_note)
        return;
    m_note = note;
    emit noteChanged(note);
}
