#include "devicerows.h"

#include "controlunit.h"
#include "devicestatus.h"
#include "node.h"
#include "sitemutex.h"

#include <QSet>

namespace {

enum class Kind { Text, Check, EditableText };

// One row of the table: its name, how it is shown, how its value is read
// from the status row and, where it has one, how its background is.
struct Row
{
    const char* name;
    Kind kind;
    QVariant (*read)(const Node* row);
    QColor (*background)(const Node* row);
};

QString text(const QVariant& value)
{
    return value.isValid() ? value.toString() : QString();
}

template <int Param>
QVariant param(const Node* row)
{
    return text(row->energizerParam(Param));
}

template <int Param>
QVariant ioFlagSet(const Node* row)
{
    return row->ioFlag(Param).toInt() != 0;
}

// The low-voltage switch is on while its output bit is clear.
template <int Param>
QVariant ioFlagClear(const Node* row)
{
    return row->ioFlag(Param).toInt() == 0;
}

template <int Column>
QVariant column(const Node* row)
{
    SiteLocker lock;
    return text(row->data(Column));
}

template <int Param>
QVariant ioCardParam(const Node* row)
{
    return text(row->ioCardParam(Param));
}

template <int Relay>
QVariant relay(const Node* row)
{
    return row->relayBit(Relay).toInt() != 0;
}

QVariant status(const Node* row)
{
    return alarmStatusText(row->status());
}

QVariant gate(const Node* row)
{
    return row->energizerParam(EnergizerParam::GateStatus).toInt() != 0 ? QStringLiteral("Open")
                                                                        : QStringLiteral("Closed");
}

template <Node::ColorIndex Index>
QColor statusColor(const Node* row)
{
    SiteLocker lock;
    return row->color.at(size_t(Index));
}

SensorStateInfo sensorInfo(const Node* row)
{
    SiteLocker lock;
    return sensorStateInfo(row->data(Node::kStatusColumn).toInt());
}

QVariant sensorState(const Node* row)
{
    return sensorInfo(row).text;
}

QColor sensorColor(const Node* row)
{
    return sensorInfo(row).color;
}

using namespace EnergizerParam;

const Row Status{"Status", Kind::Text, status, statusColor<Node::MainColor>};
const Row Gate{"GateStatus", Kind::Text, gate, statusColor<Node::GateColor>};
const Row ReturnVolt1{"FenceReturnVolt1", Kind::Text, param<FenceReturnVolt1>, nullptr};
const Row ReturnVolt2{"FenceReturnVolt2", Kind::Text, param<FenceReturnVolt2>, nullptr};
const Row Condition1{"FenceCondition1", Kind::Text, param<FenceCondition1>, nullptr};
const Row Condition2{"FenceCondition2", Kind::Text, param<FenceCondition2>, nullptr};
const Row FenceStatus1{"FenceStatus1", Kind::Text, param<FenceState1>, statusColor<Node::Sector1Color>};
const Row FenceStatus2{"FenceStatus2", Kind::Text, param<FenceState2>, statusColor<Node::Sector2Color>};
const Row Zone1On{"FenceOn1", Kind::Check, ioFlagSet<FenceOn1>, nullptr};
const Row Zone2On{"FenceOn2", Kind::Check, ioFlagSet<FenceOn2>, nullptr};
const Row Zone1Low{"LowVoltageZone1", Kind::Check, ioFlagClear<EnergizerParam::LowVoltageZone1>, nullptr};
const Row Zone2Low{"LowVoltageZone2", Kind::Check, ioFlagClear<EnergizerParam::LowVoltageZone2>, nullptr};

const Row EnergizerRows[] = {
    Status,
    {"Duration", Kind::Text, column<ControlUnit::DurationColumn>, nullptr},
    {"Attempts", Kind::Text, column<ControlUnit::AttemptsColumn>, nullptr},
    {"LastTried", Kind::Text, column<ControlUnit::LastTryColumn>, nullptr},
    {"Tamper", Kind::Text, param<Tamper>, nullptr},
    {"MainFail", Kind::Text, param<MainFail>, nullptr},
    {"BatteryVoltage", Kind::Text, param<BatteryVoltage>, nullptr},
    ReturnVolt1, ReturnVolt2, Condition1, Condition2, FenceStatus1, FenceStatus2,
    Zone1On, Zone2On, Zone1Low, Zone2Low,
    Gate,
};
// A sector shows the rows of its zone from its energizer's status row.
const Row Sector1Rows[] = {ReturnVolt1, Condition1, FenceStatus1, Zone1On, Zone1Low};
const Row Sector2Rows[] = {ReturnVolt2, Condition2, FenceStatus2, Zone2On, Zone2Low};
const Row GateRows[] = {Gate};

const Row IOCardRows[] = {
    {"BatteryVoltage", Kind::Text, ioCardParam<IOCardParam::BatteryVoltage>, nullptr},
    // The relays show the output area, not the record's relay parameters.
    {"Relay1", Kind::Check, relay<1>, nullptr},
    {"Relay2", Kind::Check, relay<2>, nullptr},
    {"Relay3", Kind::Check, relay<3>, nullptr},
    {"Relay4", Kind::Check, relay<4>, nullptr},
    {"Relay5", Kind::Check, relay<5>, nullptr},
    {"Relay6", Kind::Check, relay<6>, nullptr},
    {"Relay7", Kind::Check, relay<7>, nullptr},
    {"Relay8", Kind::Check, relay<8>, nullptr},
    {"Input1", Kind::Text, ioCardParam<IOCardParam::FirstInput + 0>, nullptr},
    {"Input2", Kind::Text, ioCardParam<IOCardParam::FirstInput + 1>, nullptr},
    {"Input3", Kind::Text, ioCardParam<IOCardParam::FirstInput + 2>, nullptr},
    {"Input4", Kind::Text, ioCardParam<IOCardParam::FirstInput + 3>, nullptr},
    {"Input5", Kind::Text, ioCardParam<IOCardParam::FirstInput + 4>, nullptr},
    {"Input6", Kind::Text, ioCardParam<IOCardParam::FirstInput + 5>, nullptr},
    {"Input7", Kind::Text, ioCardParam<IOCardParam::FirstInput + 6>, nullptr},
    {"Input8", Kind::Text, ioCardParam<IOCardParam::FirstInput + 7>, nullptr},
};

// A sensor's row is its TW model row, whose status column holds its state class.
const Row TWSensorRows[] = {{"SensorState", Kind::EditableText, sensorState, sensorColor}};

template <size_t N>
QList<DeviceRows::Value> readRows(const Row (&rows)[N], const Node* row)
{
    QList<DeviceRows::Value> values;
    for (const Row& entry : rows) {
        values.append({QLatin1String(entry.name), entry.read(row),
                       entry.background ? entry.background(row) : QColor(), entry.kind == Kind::Check,
                       entry.kind == Kind::Text});
    }
    return values;
}

template <size_t N>
void insertTextNames(QSet<QString>& names, const Row (&rows)[N])
{
    for (const Row& row : rows) {
        if (row.kind != Kind::Check)
            names.insert(QLatin1String(row.name));
    }
}

} // namespace

namespace DeviceRows {

QList<Value> read(const Node* shown, const Node* row)
{
    if (!shown || !row)
        return {};
    switch (shown->type) {
    case Node::Energizer:
        return readRows(EnergizerRows, row);
    case Node::FenceSector:
        if (shown->childNumber() == 0)
            return readRows(Sector1Rows, row);
        if (shown->childNumber() == 1)
            return readRows(Sector2Rows, row);
        return {};
    case Node::Gate:
        return readRows(GateRows, row);
    case Node::IOCard:
        return readRows(IOCardRows, row);
    case Node::TWSensor:
        return readRows(TWSensorRows, row);
    default:
        return {};
    }
}

bool isDeviceText(const QString& name)
{
    static const QSet<QString> names = [] {
        QSet<QString> all;
        insertTextNames(all, EnergizerRows);
        insertTextNames(all, IOCardRows);
        insertTextNames(all, TWSensorRows);
        return all;
    }();
    return names.contains(name);
}

} // namespace DeviceRows
