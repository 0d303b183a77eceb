// The attachment files of one item, checked before anything of the item is
// stored: each must be a file this process can read. Each is opened once,
// shared only with readers, and the store reads it through that handle, so
// no one can change or delete it in between; the handle closes when the
// file has been read, or when neither this object nor the store needs it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "components/store_session.h"

namespace components {

class HeldAttachments {
public:
    HeldAttachments() = default;
    // Each path in turn; throws CallError naming the first that is missing
    // or cannot be read. With joinPieces the paths are the pieces of a
    // ";"-separated list: a piece that names no file is joined with the
    // pieces after it while that names one (a file name holding ";").
    HeldAttachments(const std::vector<std::wstring>& paths, bool joinPieces);
    HeldAttachments(const HeldAttachments&) = delete;
    HeldAttachments& operator=(const HeldAttachments&) = delete;

    const std::vector<AttachmentFile>& Files() const { return files_; }

private:
    void Add(const std::wstring& path, HANDLE handle);   // takes the handle

    std::vector<AttachmentFile> files_;
};

// Throws CallError when the path names no readable file.
void CheckAttachmentFile(const std::wstring& path);

}  // namespace components
