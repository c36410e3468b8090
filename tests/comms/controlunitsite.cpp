#include "controlunitsite.h"

#include "alarmcondition.h"

#include <QHostAddress>

ControlUnitSite::ControlUnitSite(int energizers, int ioCards, Qt::ConnectionType type)
    : elementRoot(std::make_unique<Node>(QStringLiteral("Workplace")))
{
    energizerModel.setRootNode(new Node(QStringLiteral("Name")));
    gatewayRow = addGateway(kAddress);
    gatewayElement = gatewayRow->deviceNode;

    server.listen(QHostAddress(kAddress), 0);
    client.setPort(server.serverPort());
    client.moveTo(kAddress);
    client.no_of_energizers = energizers;
    client.no_of_iocards = ioCards;
    client.dataValid = true;

    unit.energizerModel = &energizerModel;
    unit.connectClient(&client, type);
    feedImage(image());
}

ControlUnitSite::~ControlUnitSite()
{
    client.closeConnection();
}

Node* ControlUnitSite::addGateway(const QString& address)
{
    GatewaySubtree gateway(address);
    Node* row = gateway.statusNode.release();
    Node* element = gateway.elementNode.release();
    element->setParent(elementRoot.get());
    energizerModel.insertNode(energizerModel.rootNode(), -1, row);
    return row;
}

DeviceData ControlUnitSite::block(int n, std::initializer_list<std::pair<int, quint8>> bytes)
{
    DeviceData data(Kx4Image::kBlockSize, 0);
    data[0] = quint8(n);
    for (const auto& b : bytes)
        data[b.first] = b.second;
    return data;
}

void ControlUnitSite::feed(int n, const DeviceData& data)
{
    // Straight into the slots, as a heartbeat brings it: the record, then
    // the image. The unit knows its client without a sender.
    unit.dataUpdate(data, n);
    KX4Data whole = image();
    if (n >= 0 && n < whole.size())
        whole[n] = data;
    unit.tovelUpdateArray(whole);
}

void ControlUnitSite::feedImage(const KX4Data& image)
{
    unit.tovelUpdateArray(image);
}

KX4Data ControlUnitSite::image(std::initializer_list<std::pair<int, quint8>> bytes)
{
    KX4Data image(Kx4Image::kBlockCount);
    for (int n = 0; n < Kx4Image::kBlockCount; ++n)
        image[n] = block(n, bytes);
    return image;
}

MappingRecord mappingRecord(quint16 id, int word, quint32 value)
{
    MappingRecord record;
    record.id = id;
    record.codedValue[size_t(word)] = value;
    return record;
}

void installTestAlarmConditions()
{
    AlarmConditionList list;
    auto add = [&list](int param, int status, const QColor& color) {
        AlarmCondition c;
        c.AlarmPart = AlarmCondition::EnergizerPart;
        c.EnergParam = param;
        c.AlarmStatus = status;
        c.Active = true;
        c.AlarmColor = color;
        list.append(c);
    };
    add(EnergizerParam::Panic, Node::Warning, Qt::yellow);
    add(EnergizerParam::FenceAlarm1, Node::Critical, Qt::red);
    add(EnergizerParam::FenceAlarm2, Node::Critical, Qt::red);
    add(EnergizerParam::NoAlarmColorKey, Node::OK, Qt::green);
    setAlarmConditions(list);
}
