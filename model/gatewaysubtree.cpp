#include "gatewaysubtree.h"

#include "node.h"

#include <QTime>

namespace {

void setEmptyColumns(Node* node, int count)
{
    node->columns.fill(QVariant(QString()), count);
}

Node* makeStatusRow(Node* gatewayRow, const QString& ip, int n)
{
    auto* row = new Node(ip, gatewayRow);  // owned by the gateway row
    row->type = Node::StatusRow;
    row->record.fill(0);
    row->record[0] = quint8(n);
    row->outputArea.fill(0);
    row->outputArea[0] = quint8(n);
    row->outputArea[2] = quint8(n <= GatewaySubtree::EnergizerCount ? GatewaySubtree::EnergizerCommandType
                                                                    : GatewaySubtree::IOCardCommandType);
    setEmptyColumns(row, GatewaySubtree::ColumnCount);
    row->setData(0, n <= GatewaySubtree::EnergizerCount ? QStringLiteral("Energ%1").arg(n)
                                                        : QStringLiteral("IOCard%1").arg(n));
    row->setData(Node::kStatusColumn, int(Node::Failure));
    row->setData(8, 0);
    row->setData(GatewaySubtree::WorkspaceColumn, GatewaySubtree::DefaultWorkspace);
    row->setData(Node::kSector1Column, int(Node::Failure));
    row->setData(3, QString());
    row->setData(Node::kSector2Column, int(Node::Failure));
    row->setData(5, QString());
    row->setData(GatewaySubtree::IPColumn, ip);
    if (n <= GatewaySubtree::EnergizerCount) {
        row->durationClock = QTime::currentTime();
        row->setData(Node::kStatusColumn, int(Node::Failure));
    }
    return row;
}

} // namespace

GatewaySubtree::GatewaySubtree(const QString& ip)
    : elementNode(std::make_unique<Node>(ip))
    , statusNode(std::make_unique<Node>(ip))
{
    elementNode->type = Node::MapElement;
    setEmptyColumns(elementNode.get(), 2);
    elementNode->setData(0, ip);

    Node* gatewayRow = statusNode.get();
    gatewayRow->type = Node::MapElement;
    gatewayRow->outputArea.fill(0);
    gatewayRow->outputArea[2] = EnergizerCommandType;
    setEmptyColumns(gatewayRow, ColumnCount);
    gatewayRow->setData(0, ip);
    gatewayRow->setData(WorkspaceColumn, DefaultWorkspace);
    gatewayRow->deviceNode = elementNode.get();
    elementNode->deviceNode = gatewayRow;

    for (int n = 1; n <= DeviceCount; ++n) {
        Node* row = makeStatusRow(gatewayRow, ip, n);
        Node* device = row->clone(elementNode.get());
        device->type = n <= EnergizerCount ? Node::Energizer : Node::IOCard;
        // Column 1 of an element node is its name, as a rename and a read
        // project leave it; the row's status code must not stand there.
        device->setData(1, device->data(0));
        if (n <= EnergizerCount) {
            (new Node(QStringLiteral("Sector1"), device))->type = Node::FenceSector;
            (new Node(QStringLiteral("Sector2"), device))->type = Node::FenceSector;
            (new Node(QStringLiteral("Gate"), device))->type = Node::Gate;
        }
        row->deviceNode = device;
        device->deviceNode = row;
    }
}

GatewaySubtree::~GatewaySubtree() = default;
