#pragma once

#include "controlunit.h"
#include "gatewaysubtree.h"
#include "node.h"
#include "qtclient.h"
#include "treemodel.h"

#include <QTcpServer>

#include <memory>

// A gateway's site trees, a client that believes it talks to that gateway,
// and a control unit over them, all on the test's thread. The client's
// signals reach the unit directly (or queued, as on the unit's own thread);
// feeding calls the unit's slots. The link is up: the unit has had the
// image of a sweep that read every device as block(n).
class ControlUnitSite
{
public:
    static inline const QString kAddress = QStringLiteral("127.0.0.1");

    explicit ControlUnitSite(int energizers = 32, int ioCards = 31, Qt::ConnectionType type = Qt::DirectConnection);
    ~ControlUnitSite();

    // Adds another gateway with its own trees; returns its energizer-model row.
    Node* addGateway(const QString& address);

    Node* row(int n) const { return gatewayRow->child(n - 1); }
    Node* element(int n) const { return gatewayElement->child(n - 1); }

    // The record a device sends: byte 0 is its number, the rest as given.
    static DeviceData block(int n, std::initializer_list<std::pair<int, quint8>> bytes = {});
    // One record as a heartbeat brings it, with the image after it.
    void feed(int n, const DeviceData& data);
    void feed(int n, std::initializer_list<std::pair<int, quint8>> bytes = {}) { feed(n, block(n, bytes)); }
    void feedImage(const KX4Data& image);
    // An image of every device's block(n) with the bytes given.
    static KX4Data image(std::initializer_list<std::pair<int, quint8>> bytes = {});

    QTcpServer server;
    qtClient client{0};
    TreeModel energizerModel;
    std::unique_ptr<Node> elementRoot;
    Node* gatewayRow = nullptr;
    Node* gatewayElement = nullptr;
    ControlUnit unit;
};

// A mapping record for device id with one coded value set.
MappingRecord mappingRecord(quint16 id, int word, quint32 value);

// Conditions that make a panic a warning and a fence alarm critical.
void installTestAlarmConditions();
