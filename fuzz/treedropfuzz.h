#pragma once

// A drop on a site tree model: two small models whose nodes are paired
// across them, a drop of fuzzed bytes or of a payload built from real nodes,
// then a check that both trees still hang together as the models show them.
// Shared by the libFuzzer target and the test that replays its corpus.
//
// Byte 0: bit 0 the target model, bit 1 the source model of a built payload,
// bits 2-3 the action (copy, move, link, ignore), bit 4 whether the rest is
// the payload as dropped (0) or picks of source nodes, one per byte (1; a
// pick past the nodes is an address of no node). Byte 1 picks the parent
// (past the nodes: the top level), byte 2 is the row.

#include "node.h"
#include "treemodel.h"

#include <QDataStream>
#include <QMimeData>
#include <QVector>

#include <array>
#include <memory>

namespace TreeDropFuzz {

constexpr int HeaderBytes = 3;

inline Node* addNode(Node* parent, const QString& name, int type)
{
    auto* node = new Node(name, parent);
    node->type = type;
    return node;
}

// A workplace holding a gateway with two devices, one with a sector.
inline void buildTree(TreeModel& model, const QString& prefix)
{
    auto* root = new Node(QStringLiteral("Name"));
    model.setRootNode(root);
    Node* workplace = addNode(root, prefix + QStringLiteral("workplace"), Node::Workplace);
    Node* gateway = addNode(workplace, prefix + QStringLiteral("gateway"), Node::MapElement);
    Node* energizer = addNode(gateway, prefix + QStringLiteral("energizer"), Node::Energizer);
    addNode(energizer, prefix + QStringLiteral("sector"), Node::FenceSector);
    addNode(gateway, prefix + QStringLiteral("card"), Node::IOCard);
}

inline QVector<Node*> nodesOf(const TreeModel& model)
{
    QVector<Node*> nodes;
    QVector<Node*> pending{model.rootNode()};
    while (!pending.isEmpty()) {
        Node* node = pending.takeFirst();
        if (node != model.rootNode())
            nodes.append(node);
        for (Node* child : node->children)
            pending.append(child);
    }
    return nodes;
}

inline QByteArray builtPayload(const TreeModel& source, const QByteArray& picks)
{
    const QVector<Node*> nodes = nodesOf(source);
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << quint64(quintptr(&source));
    for (const char pick : picks) {
        const int index = quint8(pick);
        stream << (index < nodes.size() ? quint64(quintptr(nodes.at(index))) : quint64(index));
    }
    return qCompress(bytes);
}

// Every node is its parent's child, and the model finds it where it hangs.
inline bool consistent(const TreeModel& model)
{
    for (Node* node : nodesOf(model)) {
        Node* parent = node->parent();
        if (!parent || !parent->children.contains(node))
            return false;
        const QModelIndex index = model.nodeIndex(node);
        const QModelIndex parentIndex = parent == model.rootNode() ? QModelIndex() : model.nodeIndex(parent);
        if (model.getNode(index) != node || model.parent(index) != parentIndex)
            return false;
    }
    return true;
}

// True when the drop left both trees whole; a crash or sanitizer report is
// the other failure.
inline bool run(const QByteArray& input)
{
    if (input.size() < HeaderBytes)
        return true;
    const quint8 mode = quint8(input.at(0));
    std::array<TreeModel, 2> models;
    buildTree(models[0], QStringLiteral("a-"));
    buildTree(models[1], QStringLiteral("b-"));
    // Paired like the element tree and the energizer states model.
    const QVector<Node*> first = nodesOf(models[0]);
    const QVector<Node*> second = nodesOf(models[1]);
    for (int i = 0; i < first.size(); ++i) {
        first[i]->deviceNode = second[i];
        second[i]->deviceNode = first[i];
    }

    TreeModel& target = models[mode & 1];
    const TreeModel& source = models[(mode >> 1) & 1];
    static const Qt::DropAction actions[] = {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction, Qt::IgnoreAction};
    const Qt::DropAction action = actions[(mode >> 2) & 3];
    const QVector<Node*> targets = nodesOf(target);
    const int pick = quint8(input.at(1));
    const QModelIndex parent = pick < targets.size() ? target.nodeIndex(targets.at(pick)) : QModelIndex();
    const int row = qint8(input.at(2));
    const QByteArray rest = input.mid(HeaderBytes);

    QMimeData data;
    data.setData(TreeModel::kMimeType, (mode & 0x10) ? builtPayload(source, rest) : rest);
    target.dropMimeData(&data, action, row, 0, parent);
    return consistent(models[0]) && consistent(models[1]);
}

} // namespace TreeDropFuzz
