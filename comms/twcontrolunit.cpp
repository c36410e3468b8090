#include "twcontrolunit.h"

#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <algorithm>

TWControlUnit::TWControlUnit(QObject* parent)
    : QObject(parent)
{
    // Its signals carry Node pointers to the GUI thread.
    registerNodeMetaTypes();
}

TWControlUnit::~TWControlUnit() = default;

void TWControlUnit::tovelUpdateArray(KX4Data kx4Data)
{
    SiteLocker lock;
    Node* root = twModel ? twModel->rootNode() : nullptr;
    if (!root || root->childCount() == 0)
        return;
    // Only the last enabled TW system follows the controller.
    Node* system = nullptr;
    for (Node* candidate : root->children) {
        if (candidate && candidate->enabled)
            system = candidate;
    }
    if (!system)
        return;
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
