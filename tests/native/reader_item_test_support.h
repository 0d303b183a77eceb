// Helpers of the item-layer tests: a temporary installation folder for the
// RTF body file, a store loaded through the store load with an in-memory
// folder tree, and text conversions for assertions.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "reader/item_record.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"
#include "reader/store_load.h"
#include "reader/store_text.h"
#include "reader/store_tree_model.h"
#include "support/temp_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace item_test {

inline std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

inline std::string TextOf(const StoreText& t) { return Utf8(StoreTextToWString(t.pData)); }

inline std::string NarrowPath(const std::wstring& path) {
#ifdef _WIN32
    return std::string(path.begin(), path.end());  // test paths are ASCII
#else
    return Utf8(path);
#endif
}

// A fresh folder that serves as the installation folder while it lives.
class ScopedInstallFolder {
public:
    ScopedInstallFolder() {
#ifdef _WIN32
        wchar_t buf[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH, buf);
        folder_.assign(buf, n);
        while (!folder_.empty() && (folder_.back() == L'\\' || folder_.back() == L'/')) folder_.pop_back();
        static int counter = 0;
        folder_ += L"\\tarnwell-items-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        CreateDirectoryW(folder_.c_str(), nullptr);
#else
        const char* t = std::getenv("TMPDIR");
        std::string pattern = std::string(t && *t ? t : "/tmp") + "/tarnwell-items-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back(0);
        const char* made = mkdtemp(buf.data());
        folder_ = testing_support::Widen(made ? made : "/tmp");
#endif
        previous_ = GetInstallFolder();
        SetInstallFolder(folder_);
    }
    ~ScopedInstallFolder() {
        std::remove(NarrowPath(RtfBodyFilePath()).c_str());
#ifdef _WIN32
        RemoveDirectoryW(folder_.c_str());
#else
        rmdir(NarrowPath(folder_).c_str());
#endif
        SetInstallFolder(previous_);
    }
    const std::wstring& folder() const { return folder_; }
    std::string RtfBodyPath() const { return NarrowPath(RtfBodyFilePath()); }
    bool RtfBodyExists() const {
        FILE* f = std::fopen(RtfBodyPath().c_str(), "rb");
        if (f) std::fclose(f);
        return f != nullptr;
    }

private:
    std::wstring folder_;
    std::wstring previous_;
};

// Runs the store load on a path with an in-memory tree as the observer; the
// reader is reset when the object goes.
class LoadedStore {
public:
    explicit LoadedStore(const std::wstring& path, bool wantBodies = false) : path_(path) {
        tree.wantBodies = wantBodies;
        ResetReader();
        SetReaderObserver(&tree);
        OstRepair host(path);
        AnalysisThreadProc(&host);
    }
    ~LoadedStore() {
        try {
            ResetReader();
        } catch (...) {
        }
        SetReaderObserver(nullptr);
    }
    LoadedStore(const LoadedStore&) = delete;
    LoadedStore& operator=(const LoadedStore&) = delete;

    // Folder paths below "Personal Folders" ("" for it), in list order.
    std::vector<std::string> FolderPaths() const {
        std::vector<std::string> out;
        for (const folder& f : g_listFolders) {
            std::string path = Utf8(FolderTreeModel::PathOf(FolderTreeModel::FromHandle(f.hItem)));
            const std::string top = "Personal Folders";
            path = path.size() > top.size() ? path.substr(top.size() + 1) : std::string();
            out.push_back(path);
        }
        return out;
    }

    // Items under each folder, by its path as FolderPaths gives it: the
    // children of its node, as the program's reader holds them.
    std::map<std::string, int> ItemCountsByPath() const {
        std::map<std::string, int> counts;
        const std::vector<std::string> paths = FolderPaths();
        for (size_t i = 0; i < paths.size(); ++i) {
            NodeEntry* folder = FindNode(&g_storeFile, g_listFolders[i].nNodeId);
            int n = 0;
            for (NodeEntry* c = folder ? folder->pFirstChild : nullptr; c; c = c->pNextSibling) ++n;
            counts[paths[i]] = n;
        }
        return counts;
    }

    const std::wstring& Path() const { return path_; }

    FolderTreeModel tree;

private:
    std::wstring path_;
};

}  // namespace item_test
