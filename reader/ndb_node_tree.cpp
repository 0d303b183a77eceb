// The node tree: linking nodes under their parents (adopting nodes that came
// before their parent) and finding a node by id.
//
// FindNode answers what a depth-first, parent-before-children walk of the
// top-level list would: the index gives every linked node of the id (first
// linked first); when there are several, the one the walk meets first is
// chosen by comparing their places in the tree. Only a damaged node B-tree
// lists an id twice (equal keys follow each other within one leaf page).
#include <algorithm>
#include <vector>

#include "reader/ndb.h"
#include "reader/ndb_index.h"

namespace {

// The tree as it stands can be stale when other code emptied the top-level
// list; then the index is started again.
ReaderIndexes& NodeIndexFor(StoreContext* context) {
    ReaderIndexes& index = GetIndexes(context);
    if (!context->pFirstNode && index.nodeCount != 0) {
        index.nodes.Clear();
        index.nodeCount = 0;
        index.waitingByParent.clear();
        index.pLinking = nullptr;
    }
    return index;
}

// The node's ancestors from its top-level node down to itself. Empty when the
// node hangs below the node being linked (not reachable from the top-level
// list yet). The climb is bounded by the number of linked nodes.
std::vector<NodeEntry*> PathFromTop(const ReaderIndexes& index, NodeEntry* node) {
    std::vector<NodeEntry*> path;
    uint64_t steps = 0;
    for (NodeEntry* n = node; n; n = n->pParent) {
        if (n == index.pLinking || ++steps > index.nodeCount + 1) return {};
        path.push_back(n);
    }
    return std::vector<NodeEntry*>(path.rbegin(), path.rend());
}

bool IsReachable(const ReaderIndexes& index, NodeEntry* node) {
    // Outside LinkNode, and while the node being linked has adopted nothing,
    // every linked node hangs from the top-level list.
    if (!index.pLinking || !index.pLinking->pFirstChild) return true;
    return !PathFromTop(index, node).empty();
}

// True when sibling a comes before sibling b in their chain. Both chains are
// stepped together, so the cost is bounded by the nearer end.
bool SiblingBefore(const NodeEntry* a, const NodeEntry* b) {
    const NodeEntry* fromA = a;
    const NodeEntry* fromB = b;
    while (true) {
        if (fromA) {
            fromA = fromA->pNextSibling;
            if (fromA == b) return true;
        }
        if (fromB) {
            fromB = fromB->pNextSibling;
            if (fromB == a) return false;
        }
        if (!fromA) return false;  // b is not after a
        if (!fromB) return true;   // a is not after b
    }
}

// True when the walk meets path a's node before path b's.
bool WalkMeetsFirst(const std::vector<NodeEntry*>& a, const std::vector<NodeEntry*>& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    if (i == a.size()) return true;   // a is b or an ancestor of b
    if (i == b.size()) return false;  // b is an ancestor of a
    return SiblingBefore(a[i], b[i]);
}

void AppendTopLevel(StoreContext* context, ReaderIndexes& index, NodeEntry* node) {
    node->pParent = nullptr;
    node->pNextSibling = nullptr;
    node->pPrevSibling = context->pLastNode;
    if (context->pLastNode)
        context->pLastNode->pNextSibling = node;
    else
        context->pFirstNode = node;
    context->pLastNode = node;
    index.waitingByParent[node->parentId].push_back(node);
}

void RemoveTopLevel(StoreContext* context, NodeEntry* node) {
    if (node->pPrevSibling)
        node->pPrevSibling->pNextSibling = node->pNextSibling;
    else
        context->pFirstNode = node->pNextSibling;
    if (node->pNextSibling)
        node->pNextSibling->pPrevSibling = node->pPrevSibling;
    else
        context->pLastNode = node->pPrevSibling;
    node->pPrevSibling = node->pNextSibling = nullptr;
}

void AppendChild(NodeEntry* parent, NodeEntry* child) {
    child->pParent = parent;
    child->pNextSibling = nullptr;
    child->pPrevSibling = parent->pLastChild;
    if (parent->pLastChild)
        parent->pLastChild->pNextSibling = child;
    else
        parent->pFirstChild = child;
    parent->pLastChild = child;
    ++parent->childCount;
}

void AddToIndex(ReaderIndexes& index, NodeEntry* node) {
    node->pNextSameId = nullptr;
    NodeEntry* first = index.nodes.InsertFirst(node);
    if (first != node) {
        NodeEntry* last = first;
        while (last->pNextSameId) last = last->pNextSameId;
        last->pNextSameId = node;
    }
    ++index.nodeCount;
}

NodeEntry* FindIndexed(ReaderIndexes& index, uint64_t nodeId) {
    NodeEntry* first = index.nodes.Find(nodeId);
    if (!first) return nullptr;
    if (!first->pNextSameId) return IsReachable(index, first) ? first : nullptr;

    NodeEntry* best = nullptr;
    std::vector<NodeEntry*> bestPath;
    for (NodeEntry* candidate = first; candidate; candidate = candidate->pNextSameId) {
        std::vector<NodeEntry*> path = PathFromTop(index, candidate);
        if (path.empty()) continue;
        if (!best || !WalkMeetsFirst(bestPath, path)) {
            best = candidate;
            bestPath.swap(path);
        }
    }
    return best;
}

}  // namespace

NodeEntry* NewNodeEntry(StoreContext* context) {
    return GetIndexes(context).nodePool.New<NodeEntry>();
}

void LinkNode(StoreContext* context, NodeEntry* node) {
    if (!context || !node) return;
    ReaderIndexes& index = NodeIndexFor(context);
    node->pParent = nullptr;
    node->pFirstChild = node->pLastChild = nullptr;
    node->childCount = 0;
    index.pLinking = node;

    // Nodes that came before their parent wait at top level; they move below
    // it in the order they stand there.
    auto waiting = index.waitingByParent.find(node->nodeId);
    if (waiting != index.waitingByParent.end()) {
        std::vector<NodeEntry*> adopted;
        adopted.swap(waiting->second);
        index.waitingByParent.erase(waiting);
        for (NodeEntry* child : adopted) {
            RemoveTopLevel(context, child);
            AppendChild(node, child);
        }
    }

    NodeEntry* parent = nullptr;
    if (node->parentId != 0 && node->parentId != node->nodeId)
        parent = FindIndexed(index, node->parentId);
    if (parent)
        AppendChild(parent, node);
    else
        AppendTopLevel(context, index, node);

    index.pLinking = nullptr;
    AddToIndex(index, node);
}

NodeEntry* FindNode(StoreContext* context, uint64_t nodeId) {
    if (!context || !context->pFirstNode) return nullptr;
    return FindIndexed(NodeIndexFor(context), nodeId);
}

void PlaceNodeUnder(StoreContext* context, NodeEntry* node, NodeEntry* parent) {
    if (!context || !node || !parent || node == parent || node->pParent) return;
    ReaderIndexes& index = NodeIndexFor(context);
    // Never below itself: the parent must not hang below the node.
    for (NodeEntry* p = parent; p; p = p->pParent) {
        if (p == node) return;
    }
    const bool linked = index.nodes.Find(node->nodeId) != nullptr &&
                        (node->pPrevSibling || node->pNextSibling || context->pFirstNode == node);
    if (linked) {
        RemoveTopLevel(context, node);
        auto waiting = index.waitingByParent.find(node->parentId);
        if (waiting != index.waitingByParent.end()) {
            std::vector<NodeEntry*>& list = waiting->second;
            list.erase(std::remove(list.begin(), list.end(), node), list.end());
            if (list.empty()) index.waitingByParent.erase(waiting);
        }
    }
    node->parentId = parent->nodeId;
    AppendChild(parent, node);
    if (linked) return;
    AddToIndex(index, node);
    // The nodes that waited at top level for it move below it, as LinkNode
    // would have moved them.
    auto waiting = index.waitingByParent.find(node->nodeId);
    if (waiting == index.waitingByParent.end()) return;
    std::vector<NodeEntry*> adopted;
    adopted.swap(waiting->second);
    index.waitingByParent.erase(waiting);
    for (NodeEntry* child : adopted) {
        if (child == node || child == parent) continue;
        RemoveTopLevel(context, child);
        AppendChild(node, child);
    }
}

void ResetNodeIndex(StoreContext* context) {
    if (!context) return;
    context->pFirstNode = context->pLastNode = nullptr;
    if (!context->pIndexes) return;
    ReaderIndexes& index = *context->pIndexes;
    index.nodes.Clear();
    index.nodeCount = 0;
    index.waitingByParent.clear();
    index.pLinking = nullptr;
    index.salvagedNodes.clear();
    index.nodeTreeDamaged = false;
    index.nodePool.Retire();
}

uint64_t CountNodes(const StoreContext* context) {
    if (!context || !context->pIndexes || !context->pFirstNode) return 0;
    return context->pIndexes->nodeCount;
}
