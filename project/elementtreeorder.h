#pragma once

class Node;

// The order of a workplace's children in the element tree: by node type,
// descending, a TW system counting as 0 (the order of Node::sortChildren).
// Changes go through the element tree model when the parent lies in it, so
// the views hear of every row that moves.
namespace ElementTreeOrder {

// Hangs `node` under `parent` after the last sibling that sorts before or
// with it; before `sibling` instead where that is a child of `parent`
// that sorts with it.
void hangSorted(Node* parent, Node* node, const Node* sibling = nullptr);
// Brings the children of `parent` into that order; a stable sort.
void sortChildren(Node* parent);

} // namespace ElementTreeOrder
