#include "twcontrolunit.h"

#include "loggedtext.h"
#include "node.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <algorithm>
#include <utility>

TWControlUnit::TWControlUnit(QObject* parent)
    : QObject(parent)
{
    // Its signals carry Node pointers to the GUI thread.
    registerNodeMetaTypes();
}

TWControlUnit::~TWControlUnit() = default;

void TWControlUnit::connectClient(qtClientTW* twClient, Qt::ConnectionType type)
{
    m_dialled = twClient->address();
    connect(twClient, &qtClientTW::tcpInUpdate, this, &TWControlUnit::tovelUpdateArray, type);
    // In the order the client tells them: the reset image of the link it
    // leaves still goes to the system it left.
    connect(twClient, &qtClientTW::movedTo, this, &TWControlUnit::linkMovedTo, type);
    connect(twClient, &qtClientTW::closedOnPurpose, this, &TWControlUnit::leaveSystem, type);
    connect(twClient, &qtClientTW::commStatus, this, &TWControlUnit::linkStatus, type);
}

void TWControlUnit::linkMovedTo(QString address)
{
    m_dialled = address;
}

// Addresses are the operator's free text: cut as every logged value.
QString TWControlUnit::refusalText(const QString& system, const QString& dialled)
{
    const QString reason = dialled.isEmpty() ? QStringLiteral("the TW link is closed")
                           : dialled == system ? QStringLiteral("the TW link is not up")
                                               : QStringLiteral("the link dials TW system %1").arg(loggedText(dialled));
    const QString target = system.isEmpty() ? QStringLiteral("TW system without an address")
                                            : QStringLiteral("TW system %1").arg(loggedText(system));
    return QStringLiteral("Command for %1 not sent: %2").arg(target, reason);
}

// The TW system whose address (column 0) the link dials follows the
// controller; of several at that address, the last enabled one. Call with
// the site mutex held.
Node* TWControlUnit::followingSystem() const
{
    Node* root = twModel ? twModel->rootNode() : nullptr;
    if (!root || m_dialled.isEmpty())
        return nullptr;
    Node* system = nullptr;
    for (Node* candidate : root->children) {
        if (candidate && candidate->enabled && candidate->data(NameColumn).toString() == m_dialled)
            system = candidate;
    }
    return system;
}

void TWControlUnit::linkStatus(qtClient::ClientStatus status)
{
    QString source;
    {
        SiteLocker lock;
        if (const Node* system = followingSystem())
            source = system->data(NameColumn).toString();
    }
    LinkLossWatch::Row row;
    if (m_linkLoss.follow(status, source, &row))
        emit writeAlarmLog(row.source, row.reason, row.message);
}

void TWControlUnit::leaveSystem()
{
    m_linkLoss.closedOnPurpose();
    SiteLocker lock;
    Node* system = std::exchange(m_fed, NodeHandle()).get();
    if (!system)
        return;
    for (Node* sensor : qAsConst(system->children)) {
        const bool shown = sensor->data(StatusColumn).toInt() != SensorState::Inactive;
        sensor->record.fill(0);
        sensor->setData(StatusColumn, SensorState::Inactive);
        // A tick repaints it where it shows, and raises nothing.
        if (shown)
            emit sensorTick(sensor);
    }
}

void TWControlUnit::tovelUpdateArray(KX4Data kx4Data)
{
    SiteLocker lock;
    Node* system = followingSystem();
    if (!system)
        return;
    if (m_fed.get() != system)
        m_fed = NodeHandle(system);
    const int blocks = std::min<int>(LastSensor + 1, int(kx4Data.size()));
    for (int i = 1; i < blocks; ++i) {
        Node* sensor = system->child(i - 1);
        if (!sensor || !sensor->enabled)
            continue;
        const DeviceData& block = kx4Data[i];
        image[i].fill(0);
        std::copy_n(block.begin(), std::min<int>(int(block.size()), BlockSize), image[i].begin());
        updateSensor(sensor);
    }
}

void TWControlUnit::updateSensor(Node* sensorNode)
{
    SiteLocker lock;
    if (!sensorNode)
        return;
    const int n = sensorNode->number();
    if (n < 1 || n >= ImageBlockCount)
        return;
    const int oldClass = sensorNode->sensorStateClass();
    std::copy(image[n].begin(), image[n].end(), sensorNode->record.begin());
    const int newClass = sensorNode->sensorStateClass();
    sensorNode->setData(StatusColumn, newClass);
    if (newClass == oldClass || !sensorNode->enabled)
        return;
    const QString text = sensorStateInfo(newClass).text;
    emit writeAlarmLog(sensorNode->data(NameColumn).toString(), text, QStringLiteral("change sensor status to ") + text);
    emit sensorHearbeat(sensorNode);
}

// The systems' own enabled flags are not asked: an enabled sensor ticks
// under any system.
void TWControlUnit::afterTimer()
{
    SiteLocker lock;
    Node* root = twModel ? twModel->rootNode() : nullptr;
    if (!root || root->childCount() == 0)
        return;
    for (Node* system : root->children) {
        if (!system)
            continue;
        for (Node* sensor : system->children) {
            if (sensor && sensor->enabled)
                emit sensorTick(sensor);
        }
    }
}
