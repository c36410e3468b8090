#include "treemodel.h"
#include "modellogging.h"

#include "node.h"
#include "sitemutex.h"
#include "textbounds.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>
#include <QDataStream>
#include <QtEndian>
#include <QDebug>
#include <QMimeData>
#include <QPixmap>
#include <QSet>

TreeModel* g_elementTreeModel = nullptr;
TreeModel* g_energizerModel = nullptr;
TreeModel* g_twSensorModel = nullptr;

const QString TreeModel::kMimeType = QStringLiteral("application/vnd.text.list");
const QString TreeModel::kNewRowName = QStringLiteral("No Data");

namespace {

// Live models, so that drop payloads and cross-model moves can be checked
// against real trees. GUI thread only. Never destroyed, so models may
// outlive the other statics at exit.
QList<TreeModel*>& liveModels()
{
    static auto* models = new QList<TreeModel*>;
    return *models;
}

constexpr int kCompressionLevel = 9;

// A row shows a long name cut: the views lay out what they show, at every
// size hint and paint. Editing still starts from the whole name.
QVariant shownValue(const QVariant& value)
{
    if (value.type() != QVariant::String)
        return value;
    const QString text = value.toString();
    return text.size() > MaxShownNameLength ? QVariant(shownName(text)) : value;
}

// A stamp no model has used (GUI thread only).
quint64 nextShownGeneration()
{
    static quint64 last = 0;
    return ++last;
}

QString iconPathOfType(int type)
{
    switch (type) {
    case Node::Workplace: return QStringLiteral(":/icons/workplace.png");
    case Node::MapElement: return QStringLiteral(":/icons/stage.png");
    case Node::TextLabel: return QStringLiteral(":/icons/label.png");
    case Node::FenceLine: return QStringLiteral(":/icons/line.png");
    case Node::Button: return QStringLiteral(":/icons/button.png");
    case Node::FrontEndAction: return QStringLiteral(":/icons/actionFrontEnd.png");
    case Node::BackEndAction: return QStringLiteral(":/icons/actionBackEnd.png");
    case Node::SoundAlarm: return QStringLiteral(":/icons/soundAlarm.png");
    case Node::Energizer: return QStringLiteral(":/icons/energizer.png");
    case Node::IOCard: return QStringLiteral(":/icons/network_adapter.png");
    case Node::FenceSector: return QStringLiteral(":/icons/lightning.png");
    case Node::Gate: return QStringLiteral(":/icons/door_in.png");
    case Node::TWSystem: return QStringLiteral(":/icons/network_hub.png");
    case Node::TWSensor: return QStringLiteral(":/icons/sensor_BW.png");
    case Node::TWSector: return QStringLiteral(":/icons/light_circle_green.png");
    default: return QStringLiteral(":/user.png");
    }
}

QString iconPathOfStatus(int status)
{
    switch (status) {
    case Node::OK: return QStringLiteral(":/icons/okStatus.png");
    case Node::Warning: return QStringLiteral(":/icons/warningStatus.png");
    case Node::Critical: return QStringLiteral(":/icons/criticalStatus.png");
    default: return {};
    }
}

QString iconPathOf(const Node* node)
{
    return node->type == Node::StatusRow ? iconPathOfStatus(node->status()) : iconPathOfType(node->type);
}

int pairedType(const Node* node)
{
    return node->deviceNode ? node->deviceNode->type : -1;
}

bool isListed(const Node* node)
{
    return node->parent() && node->parent()->children.contains(const_cast<Node*>(node));
}

template<typename Visit>
void walk(Node* node, const Visit& visit)
{
    visit(node);
    for (Node* child : qAsConst(node->children))
        walk(child, visit);
}

// The site mutex is held.
QString sectorText(const Node* row, int fenceOnParam, int sectorStatus)
{
    if (row->status() == Node::Failure)
        return alarmStatusText(Node::Failure);
    return energizerParamCode(row->record, fenceOnParam) ? alarmStatusText(sectorStatus) : QStringLiteral("Off");
}

} // namespace

TreeModel::TreeModel(QObject* parent)
    : QAbstractItemModel(parent)
    , owner(parent)
    , m_shownGeneration(nextShownGeneration())
{
    registerNodeMetaTypes();
    liveModels().append(this);
    const auto forgetShown = [this] { m_shownGeneration = nextShownGeneration(); };
    connect(this, &QAbstractItemModel::rowsInserted, this, forgetShown);
    connect(this, &QAbstractItemModel::rowsRemoved, this, forgetShown);
    connect(this, &QAbstractItemModel::rowsMoved, this, forgetShown);
    connect(this, &QAbstractItemModel::modelReset, this, forgetShown);
    connect(this, &QAbstractItemModel::layoutChanged, this, forgetShown);
}

TreeModel::~TreeModel()
{
    liveModels().removeOne(this);
    SiteLocker lock;
    delete root;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const
{
    // What hasIndex() decides, with the parent looked up once: the filters
    // and views ask for every row of a live site each second.
    if (row < 0 || column < 0 || parent.column() > 0)
        return {};
    Node* node = getNode(parent);
    if (!node || column >= node->columnCount())
        return {};
    Node* child = node->child(row);
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    Node* parentNode = getNode(index)->parent();
    if (!parentNode || parentNode == root)
        return {};
    return nodeIndex(parentNode);
}

int TreeModel::rowCount(const QModelIndex& parent) const
{
    // Only the first column of a row has children, as every Qt view expects.
    if (parent.column() > 0)
        return 0;
    Node* node = getNode(parent);
    return node ? node->childCount() : 0;
}

int TreeModel::columnCount(const QModelIndex& parent) const
{
    Node* node = getNode(parent);
    return node ? node->columnCount() : 0;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    Node* node = getNode(index);
    SiteLocker lock;
    switch (role) {
    case Qt::EditRole: return node->data(index.column());
    case Qt::DisplayRole: return shownValue(displayData(node, index.column()));
    case Qt::DecorationRole: return index.column() == 0 ? decorationData(node) : QVariant();
    case Qt::BackgroundRole: return backgroundData(node, index.column());
    case Qt::ToolTipRole: return toolTipData(node);
    default: return {};
    }
}

QVariant TreeModel::displayData(Node* node, int column) const
{
    if (node->type == Node::TWSensor) {
        if (column == 1)
            return sensorStateInfo(node->data(1).toInt()).text;
        if (column == 2 || column == 3)
            return QString();
        return node->data(column);
    }
    if (node->type != Node::StatusRow || !node->deviceNode)
        return node->data(column);

    if (column == Node::kStatusColumn)
        return alarmStatusText(node->status());
    const int paired = pairedType(node);
    if (paired == Node::IOCard && (column == Node::kSector1Column || column == Node::kSector2Column))
        return QString();
    if (paired != Node::Energizer)
        return node->data(column);

    // The parameters read here are those of RecordColumns; the callers hold
    // the site mutex.
    switch (column) {
    case Node::kSector1Column: return sectorText(node, EnergizerParam::FenceOn1, node->sector1Status());
    case Node::kSector2Column: return sectorText(node, EnergizerParam::FenceOn2, node->sector2Status());
    case TreeModel::kGateColumn:
        if (node->status() == Node::Failure)
            return alarmStatusText(Node::Failure);
        return energizerParamCode(node->record, EnergizerParam::GateStatus) ? QStringLiteral("Open")
                                                                            : QStringLiteral("Closed");
    case TreeModel::kVoltage1Column: return energizerParamCode(node->record, EnergizerParam::FenceReturnVolt1);
    case TreeModel::kVoltage2Column: return energizerParamCode(node->record, EnergizerParam::FenceReturnVolt2);
    default: return node->data(column);
    }
}

quint32 TreeModel::valueColumns(const Node* node)
{
    constexpr quint32 all = ~0u;
    const auto without = [](std::initializer_list<int> shownOtherwise) {
        quint32 columns = all;
        for (int column : shownOtherwise)
            columns &= ~(1u << column);
        return columns;
    };
    // As displayData shows them.
    if (node->type == Node::TWSensor)
        return without({Node::kStatusColumn, 2, 3});
    if (node->type != Node::StatusRow || !node->deviceNode)
        return all;
    switch (pairedType(node)) {
    case Node::IOCard: return without({Node::kStatusColumn, Node::kSector1Column, Node::kSector2Column});
    case Node::Energizer:
        return without({Node::kStatusColumn, Node::kSector1Column, kVoltage1Column, Node::kSector2Column,
                        kVoltage2Column, kGateColumn});
    default: return without({Node::kStatusColumn});
    }
}

QVariant TreeModel::decorationData(Node* node) const
{
    const QString path = iconPathOf(node);
    if (path.isEmpty())
        return QIcon();
    auto it = m_icons.constFind(path);
    if (it == m_icons.constEnd()) {
        QIcon icon;
        icon.addPixmap(QPixmap(path), QIcon::Normal, QIcon::Off);
        it = m_icons.insert(path, icon);
    }
    return *it;
}

QVariant TreeModel::backgroundData(Node* node, int column) const
{
    const QColor color = backgroundColor(node, column);
    return color.isValid() ? QVariant(color) : QVariant();
}

// Invalid where the row keeps the view's background.
QColor TreeModel::backgroundColor(Node* node, int column) const
{
    if (node->type == Node::TWSensor)
        return column == 1 ? sensorStateInfo(node->data(1).toInt()).color : QColor();
    if (node->type != Node::StatusRow)
        return {};
    switch (pairedType(node)) {
    case Node::Energizer:
        switch (column) {
        case Node::kStatusColumn: return node->color[Node::MainColor];
        case Node::kSector1Column: return node->color[Node::Sector1Color];
        case Node::kSector2Column: return node->color[Node::Sector2Color];
        case TreeModel::kGateColumn: return node->color[Node::GateColor];
        default: return {};
        }
    case Node::IOCard:
        return column == Node::kStatusColumn ? node->color[Node::IOCardColor] : QColor();
    default:
        return {};
    }
}

QVariant TreeModel::toolTipData(Node* node) const
{
    if (node->type != Node::StatusRow)
        return {};
    const int position = node->number();
    const QString name = node->data(0).toString();
    if (position > Node::kMaxEnergizers) {
        node->evaluateIOCardStatus();
        QString relays;
        for (int relay = 1; relay <= 8; ++relay) {
            const QVariant value = node->ioCardParam(relay);
            const bool inactive = value.type() == QVariant::Int && value.toInt() == 0;
            relays += QStringLiteral("Relay%1: %2\n").arg(relay).arg(inactive ? QStringLiteral("NotActive")
                                                                               : QStringLiteral("Active"));
        }
        return QStringLiteral("IOCard %1\nStatus: %2\n%3").arg(name, node->flagText, relays);
    }
    if (position >= 1)
        return QStringLiteral("Energizer %1\nstatus: %2\n%3").arg(name, alarmStatusText(node->status()), node->flagText);
    return {};
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole)
        return false;
    if (Node* node = getNode(index)) {
        SiteLocker lock;
        node->setData(index.isValid() ? index.column() : -1, value.toString());
        node->m_shown.reset();
    }
    if (index.isValid())
        emit dataChanged(index, index);
    else
        refreshNode(root);
    return true;
}

QVariant TreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && root)
        return root->data(section);
    return {};
}

QStringList TreeModel::mimeTypes() const
{
    return {kMimeType};
}

QMimeData* TreeModel::mimeData(const QModelIndexList& indexes) const
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << quint64(quintptr(this));
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && index.column() == 0 && index.model() == this)
            stream << quint64(quintptr(getNode(index)));
    }
    auto* data = new QMimeData;
    data->setData(kMimeType, qCompress(bytes, kCompressionLevel));
    return data;
}

namespace {

// A drag payload holds the source model's address, then one address per
// dragged node, each 8 bytes, compressed by qCompress behind the size it
// claims (4 bytes, big-endian).
constexpr qint64 PayloadEntryBytes = sizeof(quint64);
constexpr int ClaimedSizeBytes = 4;
// What zlib adds to data it cannot compress, with room to spare.
constexpr qint64 ZlibOverheadBytes = 64;

// The most a payload of this program can hold: the source model and every
// node of every live tree once.
qint64 payloadLimit()
{
    qint64 nodes = 0;
    for (TreeModel* model : qAsConst(liveModels())) {
        if (model->rootNode())
            walk(model->rootNode(), [&nodes](Node*) { ++nodes; });
    }
    return PayloadEntryBytes * (1 + nodes);
}

// qUncompress allocates whatever size the payload claims and grows on for
// whatever its stream expands to (zlib expands at most about a thousandfold).
// Bounding both the claim and the compressed bytes by what a real payload
// can need keeps a forged one from asking for gigabytes.
QByteArray readPayload(const QByteArray& compressed)
{
    const qint64 limit = payloadLimit();
    if (compressed.size() < ClaimedSizeBytes)
        return {};
    const quint32 claimed = qFromBigEndian<quint32>(compressed.constData());
    if (claimed > limit || compressed.size() > ClaimedSizeBytes + limit + limit / 1000 + ZlibOverheadBytes) {
        qCWarning(lcModel) << "Drop refused: its payload claims" << claimed << "bytes in" << compressed.size()
                           << "where a drag here carries at most" << limit;
        return {};
    }
    const QByteArray bytes = qUncompress(compressed);
    return bytes.size() == qint64(claimed) ? bytes : QByteArray();
}

// The addresses of the nodes of `model`'s tree, its root not included.
QSet<quint64> nodeAddresses(TreeModel* model)
{
    QSet<quint64> addresses;
    if (Node* root = model->rootNode()) {
        walk(root, [&](Node* node) {
            if (node != root)
                addresses.insert(quint64(quintptr(node)));
        });
    }
    return addresses;
}

} // namespace

bool TreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                             const QModelIndex& parent)
{
    if (action == Qt::IgnoreAction)
        return true;
    if (!data || !data->hasFormat(kMimeType) || !root)
        return false;
    if (parent.isValid() && parent.model() != this)
        return false;

    const QByteArray bytes = readPayload(data->data(kMimeType));
    QDataStream stream(bytes);
    quint64 sourceId = 0;
    stream >> sourceId;
    if (stream.status() != QDataStream::Ok)
        return false;

    // Payloads are addresses: only a live model and nodes found in its tree
    // are accepted, so nothing from a forged or stale payload is dereferenced.
    TreeModel* source = nullptr;
    for (TreeModel* model : qAsConst(liveModels())) {
        if (quint64(quintptr(model)) == sourceId)
            source = model;
    }
    if (!source)
        return false;
    // Each dragged node once, and only nodes of the source's tree.
    QSet<quint64> unused = nodeAddresses(source);
    QList<quint64> ids;
    while (!stream.atEnd()) {
        quint64 id = 0;
        stream >> id;
        if (stream.status() != QDataStream::Ok || !unused.remove(id))
            return false;
        ids.append(id);
    }

    Node* target = getNode(parent);
    for (const quint64 id : qAsConst(ids)) {
        // An earlier entry of the same payload may have removed this one.
        Node* node = source->findAddress(id);
        if (!node)
            return false;

        if (action == Qt::CopyAction) {
            qCDebug(lcModel) << (source == this ? "same-model-copy" : "another-model-copy");
            insertNode(target, 0, node->clone(nullptr));
            continue;
        }
        if (action != Qt::MoveAction)
            continue;

        qCDebug(lcModel) << "model-move";
        if (node == target)
            return false;
        if (source != this) {
            qCDebug(lcModel) << "another-model-move";
            insertNode(target, row, node->clone(nullptr));
            if (removeSourceOnMove)
                source->removeRows(node->childNumber(), 1, source->nodeIndex(node->parent()));
            continue;
        }
        if (!parent.isValid()) {
            qCDebug(lcModel) << "layout";
            insertNode(root, row, node->clone(nullptr));
            continue;
        }

        qCDebug(lcModel) << "same-model-move" << row << parent.data().toString();
        const QModelIndex currentParent = nodeIndex(node->parent());
        if (currentParent == parent && row == -1) {
            qCDebug(lcModel) << "RETURN";
            return false;
        }
        qCDebug(lcModel) << (currentParent == parent ? "SAME PARENT " : "NOT SAME PARENT ") << target->data(column) << row;
        moveIndex(parent, nodeIndex(node), (currentParent != parent && row == -1) ? 0 : row);
        return false;
    }
    return true;
}

Qt::DropActions TreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions TreeModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

bool TreeModel::insertRows(int row, int count, const QModelIndex& parent)
{
    Node* node = getNode(parent);
    if (!node || row < 0 || row > node->childCount())
        return false;
    if (count < 1)
        return true;
    SiteLocker lock;
    beginInsertRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        (new Node(kNewRowName))->insertInto(node, row + i);
    endInsertRows();
    return true;
}

bool TreeModel::removeRows(int row, int count, const QModelIndex& parent)
{
    Node* node = getNode(parent);
    if (!node || count < 1 || row < 0 || row + count > node->childCount())
        return false;
    SiteLocker lock;
    unlinkPartners(node->children.mid(row, count));
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        node->removeChild(row);
    endRemoveRows();
    return true;
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    // The root takes drops. Qt's model tester (QAbstractItemModelTester)
    // refuses any other flag on the invalid index, "enabled" included.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled
        | Qt::ItemIsEnabled;
}

void TreeModel::setRootNode(Node* node)
{
    beginResetModel();
    root = node;
    endResetModel();
}

Node* TreeModel::getNode(const QModelIndex& index) const
{
    if (index.isValid() && index.model() == this)
        return static_cast<Node*>(index.internalPointer());
    return root;
}

QModelIndex TreeModel::nodeIndex(Node* node) const
{
    if (!node || node == root)
        return {};
    const int row = node->childNumber();
    return row >= 0 ? createIndex(row, 0, node) : QModelIndex();
}

bool TreeModel::refreshNode(Node* node)
{
    return requestRefresh(node, true);
}

bool TreeModel::refreshChanges(Node* node)
{
    return requestRefresh(node, false);
}

bool TreeModel::requestRefresh(Node* node, bool whole)
{
    if (!node)
        return false;
    if (node == root) {
        m_refreshAll = true;
    } else if (Node* parentNode = node->parent()) {
        if (whole)
            node->m_refreshWanted = Node::RefreshWanted::Whole;
        else if (node->m_refreshWanted == Node::RefreshWanted::None)
            node->m_refreshWanted = Node::RefreshWanted::Changes;
        // The units report a gateway's rows one after the other.
        if (parentNode != std::exchange(m_lastRefreshParent, parentNode) && !m_refreshParents.contains(parentNode)) {
            m_refreshParents.insert(parentNode);
            m_refreshOrder.append(parentNode);
        }
    }
    if (!m_announcePosted) {
        m_announcePosted = true;
        QMetaObject::invokeMethod(this, &TreeModel::announceRefreshes, Qt::QueuedConnection);
    }
    return true;
}

void TreeModel::announceRefreshes()
{
    m_announcePosted = false;
    m_refreshParents.clear();
    QVector<Node*> parents = std::exchange(m_refreshOrder, {});
    m_lastRefreshParent = nullptr;
    const bool all = std::exchange(m_refreshAll, false);
    if (all && root) {
        parents.clear();
        walk(root, [&parents](Node* node) {
            if (!node->children.isEmpty())
                parents.append(node);
        });
    }
    for (Node* parentNode : qAsConst(parents)) {
        QVector<Run> runs;
        {
            // A receiver of an earlier announcement may have changed the tree.
            SiteLocker lock;
            if (!Node::isAlive(parentNode) || !contains(parentNode))
                continue;
            runs = refreshedRuns(parentNode, all);
        }
        const QModelIndex parentIndex = nodeIndex(parentNode);
        for (const Run& run : qAsConst(runs))
            emit dataChanged(index(run.firstRow, run.firstColumn, parentIndex),
                             index(run.lastRow, run.lastColumn, parentIndex));
    }
}

// Item `item` of what `node`'s row shows in `columns` columns, as
// `refreshedRuns` compares it, `shownSize` items in all: per column its
// text (2 × column) and background (2 × column + 1), then its icon (first
// column), then what the filters read besides: the enabled flag, the type
// and, for a sensor, every column's value. The tool tip is left out: it is
// read when it is shown.
QVariant TreeModel::shownItem(Node* node, int columns, int item) const
{
    if (item < 2 * columns) {
        const int column = item / 2;
        if (item % 2 == 0)
            return displayData(node, column);
        // As a number: a colour in a variant is allocated.
        const QColor background = backgroundColor(node, column);
        return background.isValid() ? QVariant(quint64(background.rgba64())) : QVariant();
    }
    switch (item - 2 * columns) {
    case 0: return iconPathOf(node);
    case 1: return node->enabled.load();
    case 2: return node->type;
    default: return node->data(item - 2 * columns - 3);
    }
}

int TreeModel::shownSize(const Node* node, int columns)
{
    return 2 * columns + 3 + (node->type == Node::TWSensor ? columns : 0);
}

namespace {

constexpr quint32 columnBit(int column)
{
    return 1u << column;
}

// The columns of an energizer's status row that show a parameter of its
// record (see displayData), each with that parameter and whether it shows
// the parameter's code as it stands (another code is another text).
struct RecordColumn
{
    int column;
    int param;
    bool asCode;
};
constexpr RecordColumn RecordColumns[] = {{Node::kSector1Column, EnergizerParam::FenceOn1, false},
                                          {TreeModel::kVoltage1Column, EnergizerParam::FenceReturnVolt1, true},
                                          {Node::kSector2Column, EnergizerParam::FenceOn2, false},
                                          {TreeModel::kVoltage2Column, EnergizerParam::FenceReturnVolt2, true},
                                          {TreeModel::kGateColumn, EnergizerParam::GateStatus, false}};
// The columns of a status row that its colours show.
constexpr quint32 ColorColumns = columnBit(Node::kStatusColumn) | columnBit(Node::kSector1Column)
    | columnBit(Node::kSector2Column) | columnBit(TreeModel::kGateColumn);
// Every column from the last one a mark names on its own.
constexpr quint32 ColumnsFromLastBit = 1u << 31;

} // namespace

void TreeModel::takeSources(Shown& shown, Node* node)
{
    shown.record = node->record;
    shown.colors = node->color;
    shown.enabled = node->enabled.load();
    shown.type = node->type;
    shown.paired = pairedType(node);
}

TreeModel::Shown* TreeModel::shownOf(Node* node) const
{
    auto* shown = static_cast<Shown*>(node->m_shown.get());
    return shown && shown->generation == m_shownGeneration ? shown : nullptr;
}

// Calls `visit` with each item of `node`'s row that may differ from `was`,
// the row as last announced, given the columns the row marked changed: a
// column's text, and for a status row what its status code, record and
// colours show. A background is visited only where the row has one: a
// status row's colour columns (its colours), a sensor's state (its state
// and the alarm conditions in force). A marked column that shows its value
// as it stands has changed, as has a column that shows a code of the record
// that changed: it goes to `announce` instead, unread.
template<typename Visit, typename Announce>
void TreeModel::visitChangeable(Node* node, int columns, quint32 marked, const Shown& was, const Visit& visit,
                                const Announce& announce)
{
    const int size = shownSize(node, columns);
    if (columns > 31 || was.type != node->type || was.paired != pairedType(node) || (marked & ColumnsFromLastBit)) {
        for (int item = 0; item < size; ++item)
            visit(item);
        return;
    }
    quint32 values = marked & valueColumns(node);
    quint32 texts = marked & ~values;
    quint32 backgrounds = 0;
    bool icon = false;
    if (node->type == Node::StatusRow) {
        if (marked & columnBit(Node::kStatusColumn)) {
            texts |= ColorColumns;
            icon = true;
        }
        if (was.record != node->record) {
            const bool energizer = was.paired == Node::Energizer;
            // A parameter lives in one byte: the voltages change each
            // second, the rest seldom.
            static const auto bytes = [] {
                std::array<int, std::size(RecordColumns)> found{};
                for (size_t i = 0; i < found.size(); ++i)
                    found[i] = energizerParamByte(RecordColumns[i].param);
                return found;
            }();
            for (size_t i = 0; i < bytes.size(); ++i) {
                const RecordColumn& shown = RecordColumns[i];
                if (bytes[i] >= 0 && was.record[size_t(bytes[i])] == node->record[size_t(bytes[i])])
                    continue;
                if (energizerParamCode(was.record, shown.param) != energizerParamCode(node->record, shown.param))
                    (energizer && shown.asCode ? values : texts) |= columnBit(shown.column);
            }
        }
        if (was.colors != node->color)
            backgrounds = ColorColumns;
    } else if (node->type == Node::TWSensor) {
        backgrounds = columnBit(Node::kStatusColumn);
    }
    for (int column = 0; column < columns; ++column) {
        if (values & columnBit(column))
            announce(column);
        else if (texts & columnBit(column))
            visit(2 * column);
        if (backgrounds & columnBit(column))
            visit(2 * column + 1);
    }
    if (icon)
        visit(2 * columns);
    if (was.enabled != node->enabled.load())
        visit(2 * columns + 1);
    if (node->type == Node::TWSensor) {
        for (int column = 0; column < columns; ++column) {
            if (marked & columnBit(column))
                visit(2 * columns + 3 + column);
        }
    }
}

// The runs of adjacent children of `parentNode` asked to be refreshed (all
// of them for `full`, in full) that show something else than when last
// announced. A row asked for whole is compared item by item; one asked for
// its changes only where they can show (visitChangeable).
QVector<TreeModel::Run> TreeModel::refreshedRuns(Node* parentNode, bool full)
{
    QVector<Run> runs;
    const int columns = parentNode->columnCount();
    if (columns < 1)
        return runs;
    const QList<Node*>& children = parentNode->children;
    for (int row = 0; row < children.size(); ++row) {
        Node* child = children.at(row);
        const Node::RefreshWanted wanted = std::exchange(child->m_refreshWanted, Node::RefreshWanted::None);
        if (!full && wanted == Node::RefreshWanted::None)
            continue;
        const quint32 marked = child->takeChangedColumns();
        const int size = shownSize(child, columns);
        int first = 0;
        int last = columns - 1;
        Shown* was = shownOf(child);
        if (full || !was || was->values.size() != size) {
            auto shown = std::make_unique<Shown>();
            shown->generation = m_shownGeneration;
            takeSources(*shown, child);
            shown->values.reserve(size);
            for (int item = 0; item < size; ++item)
                shown->values.append(shownItem(child, columns, item));
            child->m_shown = std::move(shown);
        } else {
            // Compared in place: most rows show what they showed.
            first = columns;
            last = -1;
            const auto changed = [&](int column) {
                first = std::min(first, column);
                last = std::max(last, column);
            };
            const auto compare = [&](int item) {
                QVariant value = shownItem(child, columns, item);
                const quint32 text = item < 2 * columns && item % 2 == 0 && item / 2 < 32 ? columnBit(item / 2) : 0;
                if (!(was->textsNotHeld & text) && sameValue(value, was->values.at(item)))
                    return;
                was->values[item] = std::move(value);
                was->textsNotHeld &= ~text;
                if (item <= 2 * columns) {
                    changed(item < 2 * columns ? item / 2 : 0);
                } else {
                    first = 0;
                    last = columns - 1;
                }
            };
            // The value is left where it was: it is not read again while
            // the column keeps changing, and a unit's text is freed where
            // the unit writes the next.
            const auto announce = [&](int column) {
                was->textsNotHeld |= columnBit(column);
                changed(column);
            };
            if (wanted == Node::RefreshWanted::Whole) {
                for (int item = 0; item < size; ++item)
                    compare(item);
            } else {
                visitChangeable(child, columns, marked, *was, compare, announce);
            }
            takeSources(*was, child);
            if (last < first)
                continue;
        }
        if (!runs.isEmpty() && runs.last().lastRow == row - 1) {
            Run& run = runs.last();
            run.lastRow = row;
            run.firstColumn = std::min(run.firstColumn, first);
            run.lastColumn = std::max(run.lastColumn, last);
        } else {
            runs.append({row, row, first, last});
        }
    }
    return runs;
}

Node* TreeModel::findNode(const QModelIndex& parent, int column, const QVariant& value) const
{
    // The units rewrite the status columns of the rows on their threads.
    SiteLocker lock;
    const QModelIndex start = parent.isValid() ? parent.siblingAtColumn(0) : parent;
    const int rows = rowCount(start);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = index(row, 0, start);
        Node* node = getNode(child);
        if (node->data(column) == value)
            return node;
        if (Node* found = findNode(child, column, value))
            return found;
    }
    return nullptr;
}

bool TreeModel::insertNode(Node* parent, int row, Node* node)
{
    if (!node)
        return false;
    return placeNode(node, parent, row);
}

bool TreeModel::moveNode(Node* newParent, Node* node)
{
    if (!newParent || !node)
        return false;
    if (newParent->child(0) == node)
        return true;
    return placeNode(node, newParent, 0);
}

bool TreeModel::moveIndex(const QModelIndex& destParent, const QModelIndex& source, int row)
{
    if (!source.isValid() || source.model() != this)
        return false;
    Node* node = getNode(source);
    Node* destination = getNode(destParent);
    if (!node || node == destination)
        return false;
    return placeNode(node, destination, row);
}

// Moves or inserts `node` where Node::insertInto(newParent, row) puts it and
// tells every model involved exactly that.
bool TreeModel::placeNode(Node* node, Node* newParent, int row)
{
    if (!newParent || node->isAncestorOf(newParent))
        return false;
    SiteLocker lock;

    Node* oldParent = node->parent();
    const bool listed = isListed(node);
    TreeModel* destinationModel = contains(newParent) ? this : modelOf(newParent);

    if (listed && destinationModel == this && contains(oldParent)) {
        const int from = node->childNumber();
        int to = 0;
        int beforeMove = 0;  // the destination in the numbering before the move
        if (oldParent == newParent) {
            to = row < 0 ? 0 : qMin(row, newParent->childCount() - 1);
            if (to == from)
                return true;
            beforeMove = to > from ? to + 1 : to;
        } else {
            const int size = newParent->childCount();
            to = (row < 0 || row > size) ? size : row;
            beforeMove = to;
        }
        if (!beginMoveRows(nodeIndex(oldParent), from, from, nodeIndex(newParent), beforeMove))
            return false;
        node->insertInto(newParent, row);
        endMoveRows();
        return true;
    }

    if (listed) {
        if (TreeModel* sourceModel = modelOf(node))
            sourceModel->takeNode(node);
        else
            oldParent->children.removeOne(node);
    }
    const int size = newParent->childCount();
    const int to = (row < 0 || row > size) ? size : row;
    if (destinationModel)
        destinationModel->beginInsertRows(destinationModel->nodeIndex(newParent), to, to);
    node->insertInto(newParent, to);
    if (destinationModel)
        destinationModel->endInsertRows();
    return true;
}

void TreeModel::takeNode(Node* node)
{
    if (!node || !node->parent())
        return;
    SiteLocker lock;
    Node* parentNode = node->parent();
    const int row = parentNode->children.indexOf(node);
    if (row < 0)
        return;
    if (!contains(parentNode)) {
        if (TreeModel* other = modelOf(parentNode))
            other->takeNode(node);
        else
            parentNode->children.removeAt(row);
        return;
    }
    beginRemoveRows(nodeIndex(parentNode), row, row);
    parentNode->children.removeAt(row);
    endRemoveRows();
}

void TreeModel::clear()
{
    SiteLocker lock;
    beginResetModel();
    if (root) {
        const QList<Node*> doomed = root->children;
        unlinkPartners(doomed);
        for (Node* child : doomed) {
            child->setParent(nullptr);
            delete child;
        }
    }
    endResetModel();
}

void TreeModel::removeAllNodes()
{
    SiteLocker lock;
    beginResetModel();
    if (root) {
        unlinkPartners(root->children);
        while (root->childCount() > 0)
            root->removeChild(0);
    }
    endResetModel();
}

bool TreeModel::contains(const Node* node) const
{
    for (; node && root; node = node->parent()) {
        if (node == root)
            return true;
        if (!isListed(node))
            return false;
    }
    return false;
}

TreeModel* TreeModel::modelOf(const Node* node)
{
    for (TreeModel* model : qAsConst(liveModels())) {
        if (model->contains(node))
            return model;
    }
    return nullptr;
}

Node* TreeModel::findAddress(quint64 address) const
{
    Node* found = nullptr;
    if (root) {
        walk(root, [&](Node* node) {
            if (!found && node != root && quint64(quintptr(node)) == address)
                found = node;
        });
    }
    return found;
}

// Clears every link from any live tree into the subtrees about to be deleted.
void TreeModel::unlinkPartners(const QList<Node*>& doomed)
{
    // Counted first: a whole site grown into a set a node at a time is
    // rehashed over and over.
    int count = 0;
    for (Node* top : doomed)
        walk(top, [&count](Node*) { ++count; });
    QSet<Node*> gone;
    gone.reserve(count);
    for (Node* top : doomed)
        walk(top, [&gone](Node* node) { gone.insert(node); });
    for (TreeModel* model : qAsConst(liveModels())) {
        if (!model->root)
            continue;
        walk(model->root, [&gone](Node* node) {
            if (node->deviceNode && gone.contains(node->deviceNode))
                node->deviceNode = nullptr;
        });
    }
    for (Node* node : qAsConst(gone)) {
        if (node->deviceNode && node->deviceNode->deviceNode == node)
            node->deviceNode->deviceNode = nullptr;
        node->deviceNode = nullptr;
    }
}
