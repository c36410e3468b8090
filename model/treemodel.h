#pragma once

#include "node.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QVector>
#include <QIcon>
#include <QStringList>

#include <array>


// The item model over a tree of `Node`s. The internal pointer of each index
// is the row's node; the root node stands for the invalid index and is never
// shown. Besides the presentation of the node types (texts, icons, tool tips,
// status colours) it offers the tree operations through which the main
// window, the map editor and the dialogs change the tree, each announced to
// the views exactly as it changes the tree. Structural changes take the site
// mutex. GUI thread only.
//
// Value changes: `setData` announces its cell at once; `refreshNode` and
// `refreshChanges` gather the rows they are asked for and announce them when
// control returns to the event loop, one `dataChanged` per run of adjacent
// rows under one parent. The units report every device each second, and a
// signal per row costs every proxy and view above a pass of its own. A
// refreshed row is compared with what it showed when last announced, and
// only the columns that differ go out: most refreshes change nothing, and an
// unchanged row is then neither repainted nor re-filtered. `refreshNode`
// compares the whole row; `refreshChanges`, for the heartbeats and ticks,
// only the cells that the columns the row marked changed (Node::setData),
// its record, colours and enabled flag can show. Refreshing the root
// announces every row in full.
class TreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    static const QString kMimeType;   // "application/vnd.text.list"
    static const QString kNewRowName; // "No Data"
    // Columns of an energizer's status row besides the status columns of Node.
    static constexpr int kVoltage1Column = 3;
    static constexpr int kVoltage2Column = 5;
    static constexpr int kGateColumn = 6;

    explicit TreeModel(QObject* parent = nullptr);
    ~TreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    using QObject::parent;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Node* rootNode() const { return root; }
    // The model takes ownership of `node`; a previous root stays with the caller.
    void setRootNode(Node* node);
    Node* getNode(const QModelIndex& index) const;
    QModelIndex nodeIndex(Node* node) const;
    // Announces `node`'s row (the root: every row) as changed, soon. False
    // for null.
    bool refreshNode(Node* node);
    // The same for a row whose values only the units write: what changed
    // since it was last announced, found from what it marked changed.
    bool refreshChanges(Node* node);
    Node* findNode(const QModelIndex& parent, int column, const QVariant& value) const;
    // Puts `node` at `row` of `parent` (-1 or past the end appends). A node
    // still hanging elsewhere is taken out there first, announced by its
    // model. False when `parent` is null, is `node` or lies under it.
    bool insertNode(Node* parent, int row, Node* node);
    // Makes `node` the first child of `newParent`; true when it is (already) there.
    bool moveNode(Node* newParent, Node* node);
    bool moveIndex(const QModelIndex& destParent, const QModelIndex& source, int row);
    // Takes the node out of its parent's child list without deleting it; it
    // keeps its parent link until it is put back or deleted.
    void takeNode(Node* node);
    // Deletes every node below the root; the root and its header texts stay.
    void clear();
    void removeAllNodes();

    // True when `node` is the root or lies in its subtree.
    bool contains(const Node* node) const;
    // The live model whose tree holds `node`, or null.
    static TreeModel* modelOf(const Node* node);

    bool removeSourceOnMove = false;

private:
    bool placeNode(Node* node, Node* newParent, int row);
    QVariant displayData(Node* node, int column) const;
    QVariant decorationData(Node* node) const;
    QVariant backgroundData(Node* node, int column) const;
    QColor backgroundColor(Node* node, int column) const;
    QVariant toolTipData(Node* node) const;
    Node* findAddress(quint64 address) const;
    static void unlinkPartners(const QList<Node*>& doomed);
    // Adjacent rows to announce, with the columns that changed in any of them.
    struct Run
    {
        int firstRow;
        int lastRow;
        int firstColumn;
        int lastColumn;
    };
    // What a row showed when last announced (`shownItem`), and what of the
    // node it was shown from besides its columns. The texts of the columns
    // in `textsNotHeld` went out unread (see refreshedRuns): their values
    // are older than what the row shows.
    struct Shown : ShownRow
    {
        quint64 generation = 0;
        QVector<QVariant> values;
        StatusRecord record;
        std::array<QColor, Node::ColorCount> colors;
        bool enabled;
        int type;
        int paired;
        quint32 textsNotHeld = 0;
    };
    bool requestRefresh(Node* node, bool whole);
    void announceRefreshes();
    QVector<Run> refreshedRuns(Node* parent, bool full);
    QVariant shownItem(Node* node, int columns, int item) const;
    static int shownSize(const Node* node, int columns);
    static void takeSources(Shown& shown, Node* node);
    // The columns of `node`'s row that show their value as it stands.
    static quint32 valueColumns(const Node* node);
    // What `node`'s row showed when last announced, null when that is not
    // known: never announced, or announced before the tree last changed.
    Shown* shownOf(Node* node) const;
    template<typename Visit, typename Announce>
    static void visitChangeable(Node* node, int columns, quint32 marked, const Shown& was, const Visit& visit,
                                const Announce& announce);

    QObject* owner = nullptr;
    Node* root = nullptr;
    mutable QHash<QString, QIcon> m_icons;
    // The parents of the rows to announce when they were refreshed; each row
    // notes the refresh asked of it (Node::m_refreshWanted). A parent may be
    // gone by then: it is used only once found alive in this tree, and its
    // rows are found among its children. Announced in the order asked: the
    // units report the gateways one after the other, and a view finds each
    // announced row near the one before.
    QSet<Node*> m_refreshParents;
    QVector<Node*> m_refreshOrder;
    Node* m_lastRefreshParent = nullptr;
    bool m_refreshAll = false;
    // Stamps what each row showed when last announced (Node::m_shown). A
    // new stamp on any change of the tree, after which a row's next refresh
    // goes out in full; no two models ever use the same.
    quint64 m_shownGeneration;
    bool m_announcePosted = false;
};

// The three site tree models, created by the main window.
extern TreeModel* g_elementTreeModel;
extern TreeModel* g_energizerModel;
extern TreeModel* g_twSensorModel;
