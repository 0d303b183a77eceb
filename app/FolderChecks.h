// The check-box rules of the folder tree, on the tree control's window.
// A checked item has state image 2 and is bold; an unchecked one has state
// image 1 and is bold only while it has a checked descendant.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

// The item's state image index (bits 12 to 15 of its state).
int GetStateImage(HWND tree, HTREEITEM item);
// True when the item's state image is not 1 (the tree control's own test).
bool IsFolderChecked(HWND tree, HTREEITEM item);
bool IsFolderBold(HWND tree, HTREEITEM item);

// Checked: state image 2 and bold; unchecked: state image 1 and not bold.
void SetFolderCheck(HWND tree, HTREEITEM item, bool checked);

// A click on an item's check box: the item's whole subtree follows the new
// state, then every ancestor is checked when all its children are, and is
// bold when one of its children is bold.
void ToggleFolderCheck(HWND tree, HTREEITEM item);

// Every checked item below the top level in pre-order (a folder before its
// descendants, siblings in display order), appended to `out`.
void CollectCheckedItems(HWND tree, std::vector<HTREEITEM>& out);
