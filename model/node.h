#pragma once

#include "devicestatus.h"
#include "mappingrecord.h"

#include <QColor>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QTime>
#include <QVariant>
#include <QVector>

#include <array>
#include <atomic>
#include <memory>

class QGraphicsItem;
class Node;

// What a model keeps of a row of its tree between the announcements of its
// changes (TreeModel); deleted with the node.
struct ShownRow
{
    virtual ~ShownRow() = default;
};

// Where handles find their node: it names the node until the node is
// deleted, then nothing. Shared by the node and every handle made for it.
struct NodeAnchor
{
    explicit NodeAnchor(Node* node)
        : node(node)
    {
    }
    std::atomic<Node*> node;
};

// One element of a site tree: a workplace, a map element, an action, a sound
// alarm or a device (energizer, IO card, fence sector, gate, TW system, TW
// sensor, TW sector). A device node carries the device's latest status record,
// from which its status, flag text and five status colours are evaluated
// against the alarm conditions in force.
//
// Threads: the trees are changed on the GUI thread only; device state
// (records, output area, `updated`, `durationClock`, columns, `flagText`,
// colours) is written by the unit threads and read on the GUI thread. Both
// sides hold the site mutex (sitemutex.h) while they touch it; the
// evaluations and `resetState` take it themselves. A node that crosses a
// thread or waits in a timer travels as a `NodeHandle`: an address alone may
// be taken by a new node once a reopen has freed the old one.
//
// A node owns its children and its mapping records, never `deviceNode` or
// `mapItem`; a sound alarm lists its reference copies among its children but
// does not own them (their elements do). A copy (by value, e.g. through QVariant) shares nothing it could
// delete: it lists the same children but never deletes them, and it is not
// one of its parent's children.
class Node
{
public:
    enum NodeType {
        Workplace = 0,
        MapElement = 1,     // the stage; its position among its siblings counts as 0
        TextLabel = 2,
        FenceLine = 3,
        Button = 4,
        FrontEndAction = 5,
        BackEndAction = 6,
        SoundAlarm = 7,
        StatusRow = 8,      // a device row of the energizer states model
        Unused = 9,
        Energizer = 10,
        IOCard = 11,
        FenceSector = 12,
        Gate = 13,
        KeypadBox = 14,
        TWSystem = 15,
        TWSensor = 16,
        TWSector = 17,
    };

    enum AlarmStatus {
        OK = 0,
        Warning = 1,
        Critical = 2,
        Failure = 3,
        Tamper = 4,
        Off = 7,
    };

    // The indexes of `color`.
    enum ColorIndex {
        MainColor = 0,
        Sector1Color = 1,
        Sector2Color = 2,
        GateColor = 3,
        IOCardColor = 4,
        ColorCount = 5,
    };

    // Columns that hold status codes where a model defines them.
    static constexpr int kStatusColumn = 1;
    static constexpr int kSector1Column = 2;
    static constexpr int kSector2Column = 4;
    static constexpr int kExtraStatusColumn = 13;
    // Energizers sit at positions 1 to 32 under their gateway, IO cards above.
    static constexpr int kMaxEnergizers = 32;

    explicit Node(const QString& name = QString(), Node* parent = nullptr);
    Node(const Node& other);
    Node& operator=(const Node&) = delete;
    ~Node();

    // Tree and columns.
    Node* parent() const { return m_parent; }
    int childCount() const { return children.size(); }
    int columnCount() const { return columns.size(); }
    Node* child(int row) const;
    QVariant data(int column) const;
    // Writes a column; a value that differs from the one held marks the
    // column changed (see takeChangedColumns).
    bool setData(int column, const QVariant& value);
    // The columns whose value changed through `setData` or `resetState`
    // since the last call, and forgets them: bit n for column n, bit 31 for
    // any column from 31 on. The models compare only these of a row that a
    // heartbeat refreshes (TreeModel::refreshChanges).
    quint32 takeChangedColumns();
    int childNumber() const;
    int number() const;
    bool removeChild(int row);
    void setParent(Node* newParent);
    bool insertInto(Node* newParent, int row);
    void sortChildren();
    Node* clone(Node* parent) const;
    // True when `node` is this node or lies in its subtree.
    bool isAncestorOf(const Node* node) const;
    // Lists `copy`, a reference copy of this sound alarm hung under an
    // element, among this node's children without owning it: the element
    // owns it, and a deleted copy leaves this list by itself.
    void addReference(Node* copy);

    // Status accessors (columns 1, 2 and 4; 0 when the node has too few).
    int status() const;
    int sector1Status() const;
    int sector2Status() const;
    QVariant energizerParam(int param) const;
    QVariant ioCardParam(int param) const;
    QVariant sensorParam(int param) const;
    QVariant ioFlag(int param) const;
    QVariant relayBit(int n) const;
    int sensorStateClass() const;

    // Evaluations: each returns an AlarmStatus value and rewrites the flag
    // text and colours it is responsible for (an IO card's flag text is
    // evaluateIOCardStatus's).
    void resetState();
    int evaluateEnergizerStatus();
    int evaluateSector1Status();
    int evaluateSector2Status();
    int evaluateGateStatus();
    int evaluateIOCardStatus();
    // What a device's tick shows on the map: the first `parts` statuses of
    // sector 1, sector 2 and gate (all Failure while the row's status is),
    // then the device's own (evaluateEnergizerStatus), each as its own
    // evaluation returns it, under one hold of the site mutex.
    struct TickStatuses
    {
        std::array<int, 3> parts{};
        int device = OK;
    };
    TickStatuses evaluateTickStatuses(int parts);

    // Whether `node` still exists. Meaningful for pointers that crossed a
    // thread: call it with the site mutex held and keep holding it while
    // the node is used.
    static bool isAlive(const Node* node);
    // `deviceNode` while it lives, else null. Call it with the site mutex
    // held. The pair found is kept as a handle: asked again, it costs no
    // look-up.
    Node* partner();
    // A number no other node of this run has had or will have.
    quint64 serial() const { return m_serial; }

    QTime durationClock;
    StatusRecord previousRecord{};
    StatusRecord record{};
    OutputArea outputArea{};
    QString flagText;
    QList<MappingRecord> inputMappings;
    QList<MappingRecord> outputMappings;
    QList<Node*> children;
    QString name;
    int type = Workplace;
    QVector<QVariant> columns;
    Node* deviceNode = nullptr;
    // Written on the GUI thread and read by the units (and back): atomic.
    std::atomic<bool> enabled{true};
    QGraphicsItem* mapItem = nullptr;
    std::atomic<bool> updated{false};
    // Set by the main window at a status row's first heartbeat, kept across
    // a lost link and cleared when the program closes the link itself (GUI
    // thread only).
    bool heartbeatSeen = false;
    std::array<QColor, ColorCount> color;

private:
    friend class NodeHandle;
    friend class TreeModel;
    struct Evaluations;
    enum class Evaluation : quint8 { Energizer, Zone1, Zone2, Gate };
    // What the evaluations kept, forgotten first if the record (as far as
    // they read it) or the conditions moved since. Under the site mutex.
    Evaluations& keptEvaluations();
    // Runs `evaluate` (which writes colour `shown`) unless the same
    // evaluation of the same record under the same conditions (and, for the
    // energizer, `failed`) was the last; then writes back what that one
    // wrote and returns its status. `checked`: keptEvaluations() of this
    // hold of the site mutex, or null; `text`: the flag text the energizer's
    // evaluation writes, or null for none. `evaluate` writes the text it is
    // given.
    template<typename Evaluate>
    int evaluateOnce(Evaluations* checked, Evaluation evaluation, bool failed, QColor& shown, QString* text,
                     const Evaluate& evaluate);
    // The evaluations with the site mutex held.
    // `failed`: the row's status is Failure (its caller has read it).
    int heldEnergizerStatus(Evaluations* checked, bool failed);
    int heldZoneStatus(Evaluations* checked, Evaluation zone);
    int heldGateStatus(Evaluations* checked);
    int columnAsInt(int column) const;
    // The same with the site mutex already held: a live row's status is
    // read by every evaluation of it, each second.
    int heldColumnAsInt(int column) const;
    void markChanged(int column);
    // The anchor of this node's handles, made with the first handle.
    const std::shared_ptr<NodeAnchor>& anchor();
    // Whether this node owns `child`, one of its children: not a reference
    // copy that another node holds.
    bool isOwnChild(const Node* child) const;
    // Takes this (a sound reference copy) out of its sound alarm's list.
    void forgetReference();

    Node* m_parent = nullptr;
    const quint64 m_serial;
    // False for copies: they list the original's children but never delete them.
    bool m_ownsChildren = true;
    std::atomic<quint32> m_changedColumns{0};
    // A refresh of this row asked of a model and not yet announced
    // (TreeModel, GUI thread only).
    enum class RefreshWanted : quint8 { None, Changes, Whole };
    RefreshWanted m_refreshWanted = RefreshWanted::None;
    // What the row showed when its model last announced it (TreeModel, GUI
    // thread only).
    std::unique_ptr<ShownRow> m_shown;
    // Under the site mutex.
    std::shared_ptr<NodeAnchor> m_anchor;
    // What the evaluations last found, made at the first one (under the
    // site mutex): each device is evaluated several times a second over the
    // same record, by its heartbeat and by the tick.
    std::unique_ptr<Evaluations> m_evaluations;
    const Node* m_partnerSeen = nullptr;
    std::shared_ptr<const NodeAnchor> m_partnerAnchor;
};

Q_DECLARE_METATYPE(Node)
Q_DECLARE_METATYPE(Node*)

// A node held across a queue or a timer. It finds the node it was made for
// while that node lives, and never a node made later at the same address.
// Made where the node is known to live; resolved on the GUI thread, or with
// the site mutex held for as long as the node is used. Resolving takes no
// lock and looks nothing up: nodes are deleted under the site mutex, and on
// the GUI thread only, so there nothing deletes one while it is used.
class NodeHandle
{
public:
    NodeHandle() = default;
    explicit NodeHandle(Node* node);

    Node* get() const { return m_anchor ? m_anchor->node.load(std::memory_order_acquire) : nullptr; }

private:
    std::shared_ptr<const NodeAnchor> m_anchor;
};

// Equal values of one type, strings and numbers compared directly: the
// generic comparison costs more than computing most cells.
bool sameValue(const QVariant& a, const QVariant& b);

// Registers "Node" and "Node*" for queued connections. Idempotent.
void registerNodeMetaTypes();

// Look-ups over g_alarmConditions: the first active entry of the part whose
// key matches. Status 0 and grey (energizer) or green (sensor) when none does.
int alarmConditionStatus(int key);
QColor alarmConditionColor(int key);
int sensorConditionStatus(int key);
QColor sensorConditionColor(int key);

// Alarm-condition keys with a meaning beyond a parameter number.
namespace AlarmKey {
constexpr int ResetColor = 7;  // colour of a reset element and of one in Failure
constexpr int NoAlarm = 53;    // colour of an element without alarm
} // namespace AlarmKey

QString alarmStatusText(int status);

// TW sensor state classes.
namespace SensorState {
constexpr int Inactive = 0;
constexpr int Ready = 1;
constexpr int Alarm = 2;
constexpr int Maintenance = 3;
} // namespace SensorState

struct SensorStateInfo
{
    QString text;
    QColor color;
    int status = 0;
};
SensorStateInfo sensorStateInfo(int stateClass);

// Input 0 to 7 of an IO card record, or -1 for any of the eight.
bool ioCardInputChanged(const StatusRecord& oldRecord, const StatusRecord& newRecord, int input);
// An energizer param, or 0 for any of the alarm-relevant ones.
bool energizerParamChanged(const StatusRecord& oldRecord, const StatusRecord& newRecord, int param);
