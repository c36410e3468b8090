#include "node.h"

#include "alarmcondition.h"
#include "sitemutex.h"

#include <QSet>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Every node that exists, for `Node::isAlive`. Guarded by the site mutex.
// Never destroyed, so nodes may outlive the other statics at exit.
QSet<const Node*>& liveNodes()
{
    static auto* nodes = new QSet<const Node*>;
    return *nodes;
}

quint64 nextSerial()
{
    static std::atomic<quint64> last{0};
    return ++last;
}

// Room for every flag of an energizer's flag text.
constexpr int kFlagTextCapacity = 192;

// The colour of a device that has never reported since the last reset.
const QColor kNeverUpdatedColor(85, 255, 255, 255);

// The first active condition of each part and key, for the keys below
// IndexedKeys: every device is evaluated each second, several look-ups each.
// Built anew whenever the list in force is another one: it is only ever
// replaced as a whole, and the copy kept here holds the one indexed, so a
// new list can never pass for it.
class ConditionIndex
{
public:
    // Indexes the empty list, which an empty list in force shares.
    ConditionIndex() { clearIndex(); }

    const AlarmCondition* find(int part, int key)
    {
        update();
        if (part >= 0 && part < Parts && key >= 0 && key < IndexedKeys) {
            const int at = m_first[part][key];
            return at < 0 ? nullptr : &m_indexed.at(at);
        }
        for (const AlarmCondition& condition : qAsConst(m_indexed)) {
            if (condition.Active && condition.AlarmPart == part && condition.EnergParam == key)
                return &condition;
        }
        return nullptr;
    }

    // A number that changes whenever the list in force does, never 0.
    quint64 generation()
    {
        update();
        return m_generation;
    }

private:
    static constexpr int Parts = 2;
    static constexpr int IndexedKeys = 64;

    void update()
    {
        if (!m_indexed.isSharedWith(g_alarmConditions))
            rebuild();
    }

    void clearIndex()
    {
        for (auto& keys : m_first)
            keys.fill(-1);
    }

    void rebuild()
    {
        ++m_generation;
        m_indexed = g_alarmConditions;
        clearIndex();
        for (int at = m_indexed.size() - 1; at >= 0; --at) {
            const AlarmCondition& condition = m_indexed.at(at);
            if (condition.Active && condition.AlarmPart >= 0 && condition.AlarmPart < Parts
                && condition.EnergParam >= 0 && condition.EnergParam < IndexedKeys)
                m_first[condition.AlarmPart][condition.EnergParam] = at;
        }
    }

    AlarmConditionList m_indexed;
    std::array<std::array<int, IndexedKeys>, Parts> m_first;
    quint64 m_generation = 1;
};

// Callers hold the site mutex.
ConditionIndex& conditionIndex()
{
    static ConditionIndex index;
    return index;
}

// Lookups over the conditions; callers hold the site mutex.
const AlarmCondition* findCondition(int part, int key)
{
    return conditionIndex().find(part, key);
}

int conditionStatus(int part, int key)
{
    const AlarmCondition* condition = findCondition(part, key);
    return condition ? condition->AlarmStatus : 0;
}

QColor conditionColor(int part, int key)
{
    const AlarmCondition* condition = findCondition(part, key);
    if (condition)
        return condition->AlarmColor;
    return part == AlarmCondition::EnergizerPart ? QColor(Qt::gray) : QColor(Qt::green);
}

int energizerStatusOf(int key) { return conditionStatus(AlarmCondition::EnergizerPart, key); }
QColor energizerColorOf(int key) { return conditionColor(AlarmCondition::EnergizerPart, key); }

// Raw value of an energizer parameter as a number: flags 0/1, codes as they
// stand. The fence state params are read as their code, not their text.
int energizerValue(const StatusRecord& record, int param)
{
    return energizerParamCode(record, param);
}

struct EnergizerFlag
{
    int param;
    int presentValue;  // the flag counts when the param has this value
    const char* text;
};

constexpr int kStateBad = 3;

// The flags of an energizer in the order they are listed and ranked.
constexpr std::array<EnergizerFlag, 15> kEnergizerFlags = {{
    {EnergizerParam::Panic, 1, "Panic"},
    {EnergizerParam::Service, 1, "Service"},
    {EnergizerParam::MainFail, 1, "MainsFail"},
    {EnergizerParam::CommsFail, 1, "CommsFail"},
    {EnergizerParam::SyncLoss, 1, "SyncLoss"},
    {EnergizerParam::Tamper, 1, "Tamper"},
    {EnergizerParam::FenceAlarm1, 1, "FenceAlarm1"},
    {EnergizerParam::FenceAlarm2, 1, "FenceAlarm2"},
    {EnergizerParam::FenceState1, kStateBad, "FenceSt1-Bad"},
    {EnergizerParam::FenceState2, kStateBad, "FenceSt2-Bad"},
    {EnergizerParam::GateAlarm, 1, "GateAlarm"},
    {EnergizerParam::FenceOn1, 0, "Fence1Off"},
    {EnergizerParam::FenceOn2, 0, "Fence2Off"},
    {EnergizerParam::LowVoltageZone1, 1, "Fence1Lo"},
    {EnergizerParam::LowVoltageZone2, 1, "Fence2Lo"},
}};

// Raises `maximum` to the condition status of `param` when the param has
// `presentValue` and its status is higher; returns whether it did.
bool raiseTo(const StatusRecord& record, int param, int presentValue, int& maximum, QColor& color)
{
    if (energizerValue(record, param) != presentValue)
        return false;
    const int status = energizerStatusOf(param);
    if (status <= maximum)
        return false;
    maximum = status;
    color = energizerColorOf(param);
    return true;
}

struct SectorParams
{
    int fenceOn;
    int fenceAlarm;
    int sectorAlarm;
    int lowVoltage;
};

constexpr SectorParams kZoneParams[] = {{EnergizerParam::FenceOn1, EnergizerParam::FenceAlarm1,
                                         EnergizerParam::SectorAlarm1, EnergizerParam::LowVoltageZone1},
                                        {EnergizerParam::FenceOn2, EnergizerParam::FenceAlarm2,
                                         EnergizerParam::SectorAlarm2, EnergizerParam::LowVoltageZone2}};

constexpr int kGateParams[] = {EnergizerParam::GateAlarm, EnergizerParam::GateStatus};

int evaluateSector(const StatusRecord& record, const SectorParams& params, QColor& color)
{
    color = energizerColorOf(AlarmKey::NoAlarm);
    if (energizerValue(record, params.fenceOn) == 0) {
        color = energizerColorOf(params.fenceOn);
        return Node::Off;
    }
    int maximum = 0;
    raiseTo(record, params.fenceAlarm, 1, maximum, color);
    raiseTo(record, params.sectorAlarm, 1, maximum, color);
    raiseTo(record, params.lowVoltage, 1, maximum, color);
    return maximum;
}

// The status of an energizer's record. Writes its flag text and main
// colour, or all four colours of the device when its link is lost
// (`allColors`). `failed`: its status column reads Failure.
int evaluateEnergizer(const StatusRecord& record, bool failed, std::array<QColor, Node::ColorCount>& color,
                      QString& flagText, bool& allColors)
{
    allColors = false;
    color[Node::MainColor] = failed ? energizerColorOf(AlarmKey::ResetColor) : energizerColorOf(AlarmKey::NoAlarm);

    // The text is built aside and taken only when it reads otherwise.
    static thread_local QString text;
    text.resize(0);
    text.reserve(kFlagTextCapacity);
    // A copy, not a share: the scratch keeps its room to itself.
    const auto takeText = [&flagText] {
        if (flagText != text)
            flagText = QString(text.constData(), text.size());
    };
    int maximum = 0;
    for (const EnergizerFlag& flag : kEnergizerFlags) {
        if (energizerValue(record, flag.param) != flag.presentValue)
            continue;
        if (!text.isEmpty())
            text += QLatin1String(", ");
        text += QLatin1String(flag.text);
        const int status = energizerStatusOf(flag.param);
        if (flag.param == EnergizerParam::CommsFail) {
            // A lost link outranks everything listed before it and paints the whole device.
            if (status > maximum) {
                const QColor failColor = energizerColorOf(EnergizerParam::CommsFail);
                for (int i : {Node::MainColor, Node::Sector1Color, Node::Sector2Color, Node::GateColor})
                    color[i] = failColor;
                allColors = true;
                takeText();
                return Node::Failure;
            }
            continue;
        }
        if (status > maximum) {
            maximum = status;
            color[Node::MainColor] = energizerColorOf(flag.param);
        }
    }

    if (energizerValue(record, EnergizerParam::FenceOn1) || energizerValue(record, EnergizerParam::FenceOn2)) {
        if (text.isEmpty())
            text += QLatin1String("Fence1On, Fence2On");
        takeText();
        return maximum;
    }
    takeText();
    if (energizerValue(record, EnergizerParam::Tamper)) {
        color[Node::MainColor] = energizerColorOf(EnergizerParam::Tamper);
        return Node::Tamper;
    }
    return energizerStatusOf(EnergizerParam::FenceOn1);
}

int sensorRank(int type)
{
    return type == Node::TWSystem ? 0 : type;
}

} // namespace

Node::Node(const QString& name, Node* parent)
    : name(name)
    , columns{QVariant(name)}
    , m_serial(nextSerial())
{
    SiteLocker lock;
    liveNodes().insert(this);
    if (parent) {
        m_parent = parent;
        parent->children.append(this);
    }
    resetState();
}

Node::Node(const Node& other)
    : durationClock(other.durationClock)
    , previousRecord(other.previousRecord)
    , record(other.record)
    , outputArea(other.outputArea)
    , flagText(other.flagText)
    , inputMappings(other.inputMappings)
    , outputMappings(other.outputMappings)
    , children(other.children)
    , name(other.name)
    , type(other.type)
    , columns(other.columns)
    , deviceNode(other.deviceNode)
    , enabled(other.enabled.load())
    , mapItem(other.mapItem)
    , updated(other.updated.load())
    , color(other.color)
    , m_parent(other.m_parent)
    , m_serial(nextSerial())
    , m_ownsChildren(false)
{
    SiteLocker lock;
    liveNodes().insert(this);
}

Node::~Node()
{
    SiteLocker lock;
    liveNodes().remove(this);
    if (m_anchor)
        m_anchor->node.store(nullptr, std::memory_order_release);
    if (!m_ownsChildren)
        return;

    // A node deleted while still listed by its parent must not stay there.
    if (m_parent)
        m_parent->children.removeOne(this);
    // Nor may its partner keep pointing at it.
    if (deviceNode && liveNodes().contains(deviceNode) && deviceNode->deviceNode == this)
        deviceNode->deviceNode = nullptr;
    // Nor the sound alarm whose reference copy it is.
    if (type == SoundAlarm)
        forgetReference();

    const QList<Node*> listed = std::exchange(children, {});
    for (Node* child : listed) {
        // A sound alarm lists its reference copies, which their elements own.
        if (!isOwnChild(child))
            continue;
        child->m_parent = nullptr;
        delete child;
    }
}

bool Node::isOwnChild(const Node* child) const
{
    return child->m_parent == this || !child->m_parent;
}

void Node::forgetReference()
{
    for (const Node* live : qAsConst(liveNodes())) {
        if (live != this && live->type == SoundAlarm && live->children.contains(this) && live != m_parent)
            const_cast<Node*>(live)->children.removeOne(this);
    }
}

void Node::addReference(Node* copy)
{
    SiteLocker lock;
    if (copy && !children.contains(copy))
        children.append(copy);
}

bool Node::isAlive(const Node* node)
{
    SiteLocker lock;
    return node && liveNodes().contains(node);
}

Node* Node::partner()
{
    if (!deviceNode)
        return nullptr;
    // The node the kept handle finds lives at this address, so it is the
    // partner; a new node made where a freed one was is looked up anew.
    if (deviceNode == m_partnerSeen && m_partnerAnchor && m_partnerAnchor->node.load(std::memory_order_acquire))
        return deviceNode;
    if (!isAlive(deviceNode))
        return nullptr;
    m_partnerSeen = deviceNode;
    m_partnerAnchor = deviceNode->anchor();
    return deviceNode;
}

const std::shared_ptr<NodeAnchor>& Node::anchor()
{
    if (!m_anchor)
        m_anchor = std::make_shared<NodeAnchor>(this);
    return m_anchor;
}

NodeHandle::NodeHandle(Node* node)
{
    SiteLocker lock;
    if (Node::isAlive(node))
        m_anchor = node->anchor();
}

void registerNodeMetaTypes()
{
    qRegisterMetaType<Node>("Node");
    qRegisterMetaType<Node*>("Node*");
}
Q_CONSTRUCTOR_FUNCTION(registerNodeMetaTypes)

Node* Node::child(int row) const
{
    return (row >= 0 && row < children.size()) ? children.at(row) : nullptr;
}

QVariant Node::data(int column) const
{
    return (column >= 0 && column < columns.size()) ? columns.at(column) : QVariant();
}

bool Node::setData(int column, const QVariant& value)
{
    if (column < 0 || column >= columns.size())
        return false;
    if (!sameValue(columns.at(column), value)) {
        columns[column] = value;
        markChanged(column);
    }
    if (column == 0)
        name = value.toString();
    return true;
}

void Node::markChanged(int column)
{
    constexpr int LastBit = 31;
    m_changedColumns.fetch_or(1u << std::min(column, LastBit), std::memory_order_relaxed);
}

quint32 Node::takeChangedColumns()
{
    return m_changedColumns.exchange(0, std::memory_order_relaxed);
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    const int type = a.userType();
    if (type != b.userType())
        return false;
    switch (type) {
    case QMetaType::QString:
        return *static_cast<const QString*>(a.constData()) == *static_cast<const QString*>(b.constData());
    case QMetaType::Int: return *static_cast<const int*>(a.constData()) == *static_cast<const int*>(b.constData());
    case QMetaType::ULongLong:
        return *static_cast<const quint64*>(a.constData()) == *static_cast<const quint64*>(b.constData());
    case QMetaType::Bool: return *static_cast<const bool*>(a.constData()) == *static_cast<const bool*>(b.constData());
    case QMetaType::UnknownType: return true;
    default: return a == b;
    }
}

int Node::childNumber() const
{
    return m_parent ? m_parent->children.indexOf(const_cast<Node*>(this)) : 0;
}

int Node::number() const
{
    if (!m_parent || type == MapElement)
        return 0;
    return childNumber() + 1;
}

bool Node::removeChild(int row)
{
    Node* node = child(row);
    if (!node)
        return false;
    children.removeAt(row);
    if (!isOwnChild(node))
        return true;  // a reference copy: its element owns it
    node->m_parent = nullptr;
    delete node;
    return true;
}

bool Node::isAncestorOf(const Node* node) const
{
    for (; node; node = node->m_parent) {
        if (node == this)
            return true;
    }
    return false;
}

void Node::setParent(Node* newParent)
{
    const bool listed = m_parent && m_parent->children.contains(this);
    if (newParent == m_parent && (listed || !newParent))
        return;
    // A node under itself would make a cycle that nothing could delete.
    if (newParent && isAncestorOf(newParent))
        return;
    if (listed)
        m_parent->children.removeOne(this);
    m_parent = newParent;
    if (newParent)
        newParent->children.append(this);
}

bool Node::insertInto(Node* newParent, int row)
{
    if (!newParent || isAncestorOf(newParent))
        return false;

    const int from = (newParent == m_parent) ? newParent->children.indexOf(this) : -1;
    if (from >= 0) {
        // Within the same parent, -1 stands for the first place.
        const int to = row < 0 ? 0 : qMin(row, newParent->children.size() - 1);
        if (to == from)
            return false;
        newParent->children.move(from, to);
        return true;
    }

    if (m_parent)
        m_parent->children.removeOne(this);
    m_parent = newParent;
    const int size = newParent->children.size();
    newParent->children.insert((row < 0 || row > size) ? size : row, this);
    return true;
}

void Node::sortChildren()
{
    std::stable_sort(children.begin(), children.end(),
                     [](const Node* a, const Node* b) { return sensorRank(a->type) > sensorRank(b->type); });
}

Node* Node::clone(Node* parent) const
{
    SiteLocker lock;
    auto* copy = new Node(name, parent);
    copy->columns = columns;
    copy->type = type;
    copy->enabled = enabled.load();
    copy->record = record;
    copy->outputArea = outputArea;
    for (const Node* node : children)
        node->clone(copy);
    return copy;
}

int Node::columnAsInt(int column) const
{
    SiteLocker lock;
    return heldColumnAsInt(column);
}

int Node::heldColumnAsInt(int column) const
{
    return column < columns.size() ? columns.at(column).toInt() : 0;
}

int Node::status() const
{
    return columnAsInt(kStatusColumn);
}

int Node::sector1Status() const
{
    return columnAsInt(kSector1Column);
}

int Node::sector2Status() const
{
    return columnAsInt(kSector2Column);
}

QVariant Node::energizerParam(int param) const
{
    SiteLocker lock;
    return decodeEnergizerParam(record, param);
}

QVariant Node::ioCardParam(int param) const
{
    SiteLocker lock;
    return decodeIOCardParam(record, param);
}

QVariant Node::sensorParam(int param) const
{
    SiteLocker lock;
    return decodeSensorParam(record, param);
}

QVariant Node::ioFlag(int param) const
{
    SiteLocker lock;
    switch (param) {
    case 16: return int(outputArea[3] & 1);
    case 17: return int((outputArea[3] >> 1) & 1);
    case 20: return int(outputArea[4] & 1);
    case 21: return int((outputArea[4] >> 1) & 1);
    default: return {};
    }
}

QVariant Node::relayBit(int n) const
{
    if (n < 1 || n > 8)
        return {};
    SiteLocker lock;
    return int((outputArea[3] >> (n - 1)) & 1);
}

int Node::sensorStateClass() const
{
    switch (sensorParam(0).toInt()) {
    case 15: return SensorState::Ready;
    case 13:
    case 14: return SensorState::Alarm;
    case 7:
    case 11: return SensorState::Maintenance;
    default: return SensorState::Inactive;
    }
}

void Node::resetState()
{
    SiteLocker lock;
    updated = false;
    for (int column : {kStatusColumn, kSector1Column, kSector2Column, kExtraStatusColumn}) {
        if (column < columns.size())
            setData(column, int(Failure));
    }
    color.fill(energizerColorOf(AlarmKey::ResetColor));
    record.fill(0);
    outputArea.fill(0);
}

namespace {

// The bytes of a record that the evaluations read, as four words of mask:
// a record that changed elsewhere only (its voltages, every second)
// evaluates as it did.
using RecordWords = std::array<quint64, kStatusRecordSize / 8>;

RecordWords evaluatedBytes()
{
    std::array<quint8, kStatusRecordSize> bytes{};
    const auto read = [&bytes](int param) {
        const int byte = energizerParamByte(param);
        if (byte >= 0)
            bytes[size_t(byte)] = 0xFF;
    };
    for (const EnergizerFlag& flag : kEnergizerFlags)
        read(flag.param);
    for (int param : {EnergizerParam::FenceOn1, EnergizerParam::FenceOn2, EnergizerParam::Tamper})
        read(param);
    for (const SectorParams& zone : kZoneParams) {
        for (int param : {zone.fenceOn, zone.fenceAlarm, zone.sectorAlarm, zone.lowVoltage})
            read(param);
    }
    for (int param : kGateParams)
        read(param);
    RecordWords mask;
    std::memcpy(mask.data(), bytes.data(), sizeof mask);
    return mask;
}

bool evaluateAlike(const StatusRecord& a, const StatusRecord& b)
{
    static const RecordWords mask = evaluatedBytes();
    RecordWords wordsA;
    RecordWords wordsB;
    std::memcpy(wordsA.data(), a.data(), sizeof wordsA);
    std::memcpy(wordsB.data(), b.data(), sizeof wordsB);
    quint64 differ = 0;
    for (size_t i = 0; i < mask.size(); ++i)
        differ |= (wordsA[i] ^ wordsB[i]) & mask[i];
    return differ == 0;
}

// A repeated evaluation leaves an equal colour unwritten: the units and the
// GUI thread evaluate the same rows, and each write takes the colours' line
// from the other's core.
void keepColor(QColor& shown, const QColor& color)
{
    if (shown != color)
        shown = color;
}

} // namespace

// What the evaluations found last, all of one record (as far as they read
// it) under one list of conditions: the first line holds what a repeated
// evaluation reads.
struct Node::Evaluations
{
    StatusRecord record{};
    quint64 conditions = 0;  // none: nothing evaluated yet
    quint8 done = 0;         // a bit per Evaluation
    bool energizerFailed = false;
    bool allColors = false;
    std::array<qint8, 4> statuses{};
    QString flagText;
    std::array<QColor, 4> colors;
};

Node::Evaluations& Node::keptEvaluations()
{
    if (!m_evaluations)
        m_evaluations = std::make_unique<Evaluations>();
    Evaluations& last = *m_evaluations;
    const quint64 conditions = conditionIndex().generation();
    if (last.conditions != conditions || !evaluateAlike(last.record, record)) {
        last.record = record;
        last.conditions = conditions;
        last.done = 0;
    }
    return last;
}

template<typename Evaluate>
int Node::evaluateOnce(Evaluations* checked, Evaluation evaluation, bool failed, QColor& shown, QString* text,
                       const Evaluate& evaluate)
{
    Evaluations& last = checked ? *checked : keptEvaluations();
    const int at = int(evaluation);
    const quint8 bit = quint8(1u << at);
    if ((last.done & bit) && (evaluation != Evaluation::Energizer || last.energizerFailed == failed)) {
        if (evaluation == Evaluation::Energizer && last.allColors) {
            for (int i = MainColor; i <= GateColor; ++i)
                keepColor(color[size_t(i)], last.colors[at]);
        } else {
            keepColor(shown, last.colors[at]);
        }
        if (evaluation == Evaluation::Energizer && text && !text->isSharedWith(last.flagText))
            *text = last.flagText;
        return last.statuses[at];
    }
    QString notShown;
    QString& written = text ? *text : notShown;
    const int status = evaluate(written);
    last.statuses[at] = qint8(status);
    last.colors[at] = shown;
    last.done |= bit;
    if (evaluation == Evaluation::Energizer) {
        last.energizerFailed = failed;
        last.flagText = written;
    }
    return status;
}

int Node::evaluateEnergizerStatus()
{
    SiteLocker lock;
    return heldEnergizerStatus(nullptr, heldColumnAsInt(kStatusColumn) == Failure);
}

int Node::heldEnergizerStatus(Evaluations* checked, bool failed)
{
    // An IO card's flag text is its own evaluation's (evaluateIOCardStatus,
    // the unit's each second): the energizer's read of a card's record
    // names flags the card does not have.
    const Node* element = partner();
    QString* text = element && element->type == IOCard ? nullptr : &flagText;
    if (!updated) {
        if (text)
            text->clear();
        color[MainColor] = kNeverUpdatedColor;
        return Off;
    }
    return evaluateOnce(checked, Evaluation::Energizer, failed, color[MainColor], text, [&](QString& written) {
        return evaluateEnergizer(record, failed, color, written, m_evaluations->allColors);
    });
}

int Node::heldZoneStatus(Evaluations* checked, Evaluation zone)
{
    const bool first = zone == Evaluation::Zone1;
    QColor& shown = color[first ? Sector1Color : Sector2Color];
    return evaluateOnce(checked, zone, false, shown, nullptr,
                        [&](QString&) { return evaluateSector(record, kZoneParams[first ? 0 : 1], shown); });
}

int Node::heldGateStatus(Evaluations* checked)
{
    QColor& shown = color[GateColor];
    return evaluateOnce(checked, Evaluation::Gate, false, shown, nullptr, [&](QString&) {
        shown = energizerColorOf(AlarmKey::NoAlarm);
        int maximum = 0;
        for (int param : kGateParams)
            raiseTo(record, param, 1, maximum, shown);
        return maximum;
    });
}

int Node::evaluateSector1Status()
{
    SiteLocker lock;
    return heldZoneStatus(nullptr, Evaluation::Zone1);
}

int Node::evaluateSector2Status()
{
    SiteLocker lock;
    return heldZoneStatus(nullptr, Evaluation::Zone2);
}

int Node::evaluateGateStatus()
{
    SiteLocker lock;
    return heldGateStatus(nullptr);
}

Node::TickStatuses Node::evaluateTickStatuses(int parts)
{
    // One hold and one look at the record for all of them: a live site's
    // tick evaluates every row each second, and nothing changes the record
    // while the site mutex is held.
    SiteLocker lock;
    TickStatuses statuses;
    const bool failed = heldColumnAsInt(kStatusColumn) == Failure;
    const int counted = std::min(parts, int(statuses.parts.size()));
    Evaluations* checked = updated || (counted > 0 && !failed) ? &keptEvaluations() : nullptr;
    for (int i = 0; i < counted; ++i) {
        if (failed)
            statuses.parts[size_t(i)] = Failure;
        else
            statuses.parts[size_t(i)] = i == 0 ? heldZoneStatus(checked, Evaluation::Zone1)
                                      : i == 1 ? heldZoneStatus(checked, Evaluation::Zone2)
                                               : heldGateStatus(checked);
    }
    statuses.device = heldEnergizerStatus(checked, failed);
    return statuses;
}

int Node::evaluateIOCardStatus()
{
    SiteLocker lock;
    const bool commsFail = decodeIOCardParam(record, IOCardParam::CommsFail).toInt() != 0;
    keepColor(color[IOCardColor], energizerColorOf(commsFail ? EnergizerParam::CommsFail : AlarmKey::NoAlarm));
    const QString text = commsFail ? QStringLiteral("CommsFail") : QStringLiteral("OK");
    if (flagText != text)
        flagText = text;
    return commsFail ? Failure : OK;
}

int alarmConditionStatus(int key)
{
    SiteLocker lock;
    return conditionStatus(AlarmCondition::EnergizerPart, key);
}

QColor alarmConditionColor(int key)
{
    SiteLocker lock;
    return conditionColor(AlarmCondition::EnergizerPart, key);
}

int sensorConditionStatus(int key)
{
    SiteLocker lock;
    return conditionStatus(AlarmCondition::SensorPart, key);
}

QColor sensorConditionColor(int key)
{
    SiteLocker lock;
    return conditionColor(AlarmCondition::SensorPart, key);
}

QString alarmStatusText(int status)
{
    switch (status) {
    case Node::Warning: return QStringLiteral("Warning");
    case Node::Critical: return QStringLiteral("Critical");
    case Node::Failure: return QStringLiteral("Failure");
    case Node::Tamper: return QStringLiteral("Tamper");
    case Node::Off: return QStringLiteral("Off");
    default: return QStringLiteral("OK");
    }
}

SensorStateInfo sensorStateInfo(int stateClass)
{
    switch (stateClass) {
    case SensorState::Inactive:
        return {QStringLiteral("Inactive"), sensorConditionColor(0), sensorConditionStatus(0)};
    case SensorState::Ready:
        return {QStringLiteral("Ready"), alarmConditionColor(AlarmKey::NoAlarm), 0};
    case SensorState::Alarm:
        return {QStringLiteral("Alarm"), sensorConditionColor(2), sensorConditionStatus(2)};
    case SensorState::Maintenance:
        return {QStringLiteral("Maintenance"), sensorConditionColor(3), sensorConditionStatus(3)};
    default:
        return {};
    }
}

bool ioCardInputChanged(const StatusRecord& oldRecord, const StatusRecord& newRecord, int input)
{
    const auto differs = [&](int i) {
        const int param = IOCardParam::FirstInput + i;
        return decodeIOCardParam(oldRecord, param) != decodeIOCardParam(newRecord, param);
    };
    if (input >= 0 && input < 8)
        return differs(input);
    if (input == -1) {
        for (int i = 0; i < 8; ++i) {
            if (differs(i))
                return true;
        }
    }
    return false;
}

bool energizerParamChanged(const StatusRecord& oldRecord, const StatusRecord& newRecord, int param)
{
    // Compared by raw value, so the fence state params count by their code.
    const auto differs = [&](int p) { return energizerValue(oldRecord, p) != energizerValue(newRecord, p); };
    if (param != 0)
        return differs(param);
    for (int p : {10, 7, 16, 17, 20, 21, 5, 8, 4, 12, 22, 23, 36}) {
        if (differs(p))
            return true;
    }
    return false;
}
