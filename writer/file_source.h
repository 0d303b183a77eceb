// A file's bytes as a node's data, read in pieces when the node is written.
#pragma once
#include <filesystem>
#include <memory>

#include "writer/ndb_writer.h"

namespace writer {

// The file is opened when its size is first asked for (as its message is
// committed) and, unless many are open already, kept open until it has been
// read: opening a path is slow on some systems. A file that cannot be
// opened has size 0.
std::shared_ptr<DataSource> OpenFileSource(const std::filesystem::path& path);

}  // namespace writer
