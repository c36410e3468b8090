#include "gatewaylink.h"
#include "mainwindowlogging.h"

#include "deviceunits.h"
#include "graphicsbox.h"
#include "node.h"
#include "qtclient.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "treemodel.h"
#include "workspacearea.h"

#include <QSet>

#include <utility>

GatewayLink::GatewayLink(DeviceUnits* units, SiteTrees* trees, WorkspaceArea* workspaces, QObject* parent)
    : QObject(parent)
    , m_units(units)
    , m_trees(trees)
    , m_workspaces(workspaces)
{
    TreeModel* model = trees->energizerModel();
    // Only the gateways themselves, the model's top rows, count here.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &GatewayLink::gatewaysLeaving);
    const auto topRows = [this](const QModelIndex& parent) {
        if (!parent.isValid())
            gatewaysChanged();
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, topRows);
    // A gateway row's first column is its address; the others change with
    // every heartbeat.
    connect(model, &QAbstractItemModel::dataChanged, this, [topRows](const QModelIndex& topLeft) {
        if (topLeft.column() == 0)
            topRows(topLeft.parent());
    });
    connect(model, &QAbstractItemModel::modelReset, this, &GatewayLink::gatewaysChanged);
    // A box that has no row yet (its wizard cancelled) comes and goes with
    // its element.
    TreeModel* elements = trees->elementModel();
    connect(elements, &QAbstractItemModel::rowsInserted, this, &GatewayLink::boxesChanged);
    connect(elements, &QAbstractItemModel::rowsRemoved, this, &GatewayLink::boxesChanged);
    connect(elements, &QAbstractItemModel::modelReset, this, &GatewayLink::boxesChanged);
    // Every heartbeat brings a status: the boxes are not walked for it.
    if (qtClient* client = m_units->fenceClient())
        connect(client, &qtClient::commStatus, this, &GatewayLink::schedule);
}

void GatewayLink::boxesChanged()
{
    m_boxesChanged = true;
    schedule();
}

void GatewayLink::gatewaysChanged()
{
    m_gatewaysChanged = true;
    boxesChanged();
}

QString GatewayLink::dialledAddress() const
{
    const qtClient* client = m_units->fenceClient();
    return client ? client->address() : QString();
}

QSet<QString> GatewayLink::boxAddresses() const
{
    QSet<QString> addresses;
    for (int tab = 0; tab < m_workspaces->count(); ++tab) {
        for (const GraphicsBox* box : SiteTrees::gatewayBoxesAt(*m_workspaces, tab))
            addresses.insert(box->ip());
    }
    return addresses;
}

QString GatewayLink::addressToSave()
{
    settle();
    const QString dialled = dialledAddress();
    const QString address = dialled.isEmpty() ? m_lastDialled : dialled;
    return boxAddresses().contains(address) ? address : QString();
}

void GatewayLink::projectClosed()
{
    m_leaving.clear();
    m_left.clear();
    m_lastDialled.clear();
    m_setAddresses.clear();
    m_movedTo.clear();
}

void GatewayLink::gatewaysLeaving(const QModelIndex& parent, int first, int last)
{
    const QString dialled = dialledAddress();
    if (parent.isValid() || dialled.isEmpty())
        return;
    SiteLocker lock;
    for (int row = first; row <= last; ++row) {
        Node* gateway = m_trees->energizerRoot()->child(row);
        if (gateway && gateway->data(0).toString() == dialled)
            m_leaving.append(NodeHandle(gateway));
    }
    schedule();
}

void GatewayLink::schedule()
{
    if (std::exchange(m_scheduled, true))
        return;
    QMetaObject::invokeMethod(this, &GatewayLink::settle, Qt::QueuedConnection);
}

void GatewayLink::settle()
{
    if (!std::exchange(m_scheduled, false))
        return;
    if (std::exchange(m_gatewaysChanged, false))
        emit gatewaysSettled();
    noteOperatorsAddress();
    noteDialled();
    const QList<NodeHandle> leaving = std::exchange(m_leaving, {});
    if (!leaving.isEmpty() && followBoxes()) {
        // Kept while they live off the maps: an undo or a redo brings them back.
        for (const NodeHandle& row : leaving) {
            if (Node* gateway = row.get(); gateway && gateway->parent() != m_trees->energizerRoot())
                m_left.append(row);
        }
    }
    followReturns();
    noteDialled();
    if (std::exchange(m_boxesChanged, false))
        m_boxAddressCount = boxAddresses().size();
    updateNote();
}

void GatewayLink::noteDialled()
{
    const QString dialled = dialledAddress();
    if (!dialled.isEmpty())
        m_lastDialled = dialled;
}

void GatewayLink::noteOperatorsAddress()
{
    const QString dialled = dialledAddress();
    if (dialled.isEmpty() || dialled == m_movedTo)
        return;
    m_movedTo.clear();
    m_setAddresses.removeAll(dialled);
    m_setAddresses.append(dialled);
}

void GatewayLink::moveLink(const QString& address)
{
    m_movedTo = address;
    m_units->fenceClient()->moveTo(address);
}

bool GatewayLink::followBoxes()
{
    const QString dialled = dialledAddress();
    const QStringList addresses = m_trees->gatewayAddresses();
    if (dialled.isEmpty() || addresses.contains(dialled))
        return false;
    QString next;
    for (auto it = m_setAddresses.crbegin(); it != m_setAddresses.crend() && next.isEmpty(); ++it) {
        if (addresses.contains(*it))
            next = *it;
    }
    qCWarning(lcMainWindow).noquote()
        << QStringLiteral("Gateway link: no gateway box at %1 any more; %2")
               .arg(dialled, next.isEmpty() ? QStringLiteral("the link is closed")
                                            : QStringLiteral("the link moves back to %1").arg(next));
    // Told first: the close that follows is the program's, not the gateway's.
    if (next.isEmpty())
        emit closedHere(tr("its gateway box is gone; choose another"));
    moveLink(next);
    return true;
}

// A box the link moved away from stands again: its deletion undone, or its
// placement redone. The link goes back to it, to the earliest of several,
// wherever it dials meanwhile.
void GatewayLink::followReturns()
{
    QString back;
    for (auto it = m_left.begin(); it != m_left.end();) {
        Node* gateway = it->get();
        if (gateway && gateway->parent() != m_trees->energizerRoot()) {
            ++it;
            continue;
        }
        if (gateway && back.isEmpty()) {
            SiteLocker lock;
            back = gateway->data(0).toString();
        }
        it = m_left.erase(it);
    }
    if (back.isEmpty() || back == dialledAddress())
        return;
    qCWarning(lcMainWindow).noquote()
        << QStringLiteral("Gateway link: the gateway box at %1 stands again; the link moves back to it").arg(back);
    moveLink(back);
}

void GatewayLink::updateNote()
{
    QString note;
    if (m_boxAddressCount > 1) {
        const QString dialled = dialledAddress();
        note = dialled.isEmpty() ? tr("no KX4 link") : tr("KX4 %1").arg(dialled);
    }
    if (note == m_note)
        return;
    m_note = note;
    emit noteChanged(note);
}
