#include "app/FolderChecks.h"

namespace {

void SetStateBits(HWND tree, HTREEITEM item, UINT state, UINT mask) {
    TVITEMW tvi = {};
    tvi.mask = TVIF_STATE;
    tvi.hItem = item;
    tvi.state = state;
    tvi.stateMask = mask;
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
}

void SetBold(HWND tree, HTREEITEM item, bool bold) {
    SetStateBits(tree, item, bold ? TVIS_BOLD : 0, TVIS_BOLD);
}

void SetSubtreeCheck(HWND tree, HTREEITEM item, bool checked) {
    SetFolderCheck(tree, item, checked);
    for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr;
         child = TreeView_GetNextSibling(tree, child)) {
        SetSubtreeCheck(tree, child, checked);
    }
}

bool AnyChild(HWND tree, HTREEITEM item, bool (*test)(HWND, HTREEITEM)) {
    for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr;
         child = TreeView_GetNextSibling(tree, child)) {
        if (test(tree, child)) return true;
    }
    return false;
}

bool IsUnchecked(HWND tree, HTREEITEM item) { return GetStateImage(tree, item) == 1; }

void CollectBelow(HWND tree, HTREEITEM parent, std::vector<HTREEITEM>& out) {
    for (HTREEITEM child = TreeView_GetChild(tree, parent); child != nullptr;
         child = TreeView_GetNextSibling(tree, child)) {
        if (IsFolderChecked(tree, child)) out.push_back(child);
        CollectBelow(tree, child, out);
    }
}

}  // namespace

int GetStateImage(HWND tree, HTREEITEM item) {
    UINT state = static_cast<UINT>(SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                                TVIS_STATEIMAGEMASK));
    return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

bool IsFolderChecked(HWND tree, HTREEITEM item) { return GetStateImage(tree, item) != 1; }

bool IsFolderBold(HWND tree, HTREEITEM item) {
    return (SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_BOLD) & TVIS_BOLD) != 0;
}

void SetFolderCheck(HWND tree, HTREEITEM item, bool checked) {
    SetStateBits(tree, item, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), TVIS_STATEIMAGEMASK);
    SetBold(tree, item, checked);
}

void ToggleFolderCheck(HWND tree, HTREEITEM item) {
    if (GetStateImage(tree, item) == 1) {
        SetSubtreeCheck(tree, item, true);
    } else {
        SetSubtreeCheck(tree, item, false);
        for (HTREEITEM up = TreeView_GetParent(tree, item); up != nullptr; up = TreeView_GetParent(tree, up))
            SetFolderCheck(tree, up, false);
    }
    for (HTREEITEM up = TreeView_GetParent(tree, item); up != nullptr; up = TreeView_GetParent(tree, up))
        SetFolderCheck(tree, up, !AnyChild(tree, up, IsUnchecked));
    for (HTREEITEM up = TreeView_GetParent(tree, item); up != nullptr; up = TreeView_GetParent(tree, up))
        SetBold(tree, up, AnyChild(tree, up, IsFolderBold));
}

void CollectCheckedItems(HWND tree, std::vector<HTREEITEM>& out) {
    for (HTREEITEM top = TreeView_GetRoot(tree); top != nullptr; top = TreeView_GetNextSibling(tree, top))
        CollectBelow(tree, top, out);
}
