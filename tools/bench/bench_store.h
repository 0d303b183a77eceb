// The store the bench measures when none is given.
#pragma once
#include <cstdint>
#include <string>

// Makes a Unicode store of about targetBytes in the temporary folder with the
// store writer: folders of mail of mixed sizes, a third with attachments.
// Returns its path, or an empty text on failure.
std::string MakeBenchStore(uint64_t targetBytes);
