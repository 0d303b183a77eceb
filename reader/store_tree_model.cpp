#include "reader/store_tree_model.h"

#include <cwctype>

namespace {

// The tree control's sorted insert compares texts without regard to case.
int CompareTextNoCase(const std::wstring& a, const std::wstring& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const wint_t x = std::towlower(a[i]);
        const wint_t y = std::towlower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

void FolderTreeModel::ShowLoadMessage(const wchar_t* text, unsigned style) {
    messages.emplace_back(text ? text : L"");
    messageStyles.push_back(style);
}

void FolderTreeModel::Pause(unsigned milliseconds) {
    pausedMilliseconds += milliseconds;
    if (realPauses) ReaderObserver::Pause(milliseconds);
}

void FolderTreeModel::DeleteAllFolderItems() {
    roots_.clear();
    items_.clear();
}

TreeItemHandle FolderTreeModel::InsertFolderItem(const wchar_t* text, int image, int selectedImage,
                                                 TreeItemHandle parent, TreeItemHandle insertAfter) {
    Item* parentItem = (parent == kTreeRoot || parent == nullptr) ? nullptr : static_cast<Item*>(parent);
    std::vector<Item*>& siblings = parentItem ? parentItem->children : roots_;
    auto item = std::make_unique<Item>();
    item->text = text ? text : L"";
    item->image = image;
    item->selectedImage = selectedImage;
    item->parent = parentItem;
    Item* raw = item.get();
    items_.push_back(std::move(item));

    size_t position = siblings.size();
    if (insertAfter == kTreeFirst) {
        position = 0;
    } else if (insertAfter == kTreeSort) {
        position = 0;
        while (position < siblings.size() && CompareTextNoCase(siblings[position]->text, raw->text) <= 0) {
            ++position;
        }
    } else if (insertAfter != kTreeLast) {
        for (size_t i = 0; i < siblings.size(); ++i) {
            if (siblings[i] == insertAfter) position = i + 1;
        }
    }
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(position), raw);
    return raw;
}

TreeItemHandle FolderTreeModel::GetRootFolderItem() { return roots_.empty() ? nullptr : roots_.front(); }

void FolderTreeModel::ExpandFolderItem(TreeItemHandle item) {
    if (item) static_cast<Item*>(item)->expanded = true;
}

std::wstring FolderTreeModel::PathOf(const Item* item) {
    std::wstring path;
    for (const Item* i = item; i && i->parent; i = i->parent) {
        path = path.empty() ? i->text : i->text + L"/" + path;
    }
    return path;
}
