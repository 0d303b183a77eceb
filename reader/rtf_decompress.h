// Compressed RTF bodies ([MS-OXRTFCP] LZFu) decompressed into the RTF body
// file "\QM_Rtf_Body.rtf" in the installation folder, which the item view
// streams and the mail exporter reads back. One file for the whole program:
// whoever decompressed last has written it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// The installation folder, set by the program at start-up (tests set a
// temporary folder). No trailing separator.
void SetInstallFolder(const std::wstring& folder);
const std::wstring& GetInstallFolder();
// The installation folder followed by "\QM_Rtf_Body.rtf" ("/" natively),
// or the calling thread's own body file when one is set.
std::wstring RtfBodyFilePath();
// A body file for the calling thread alone (empty: the shared one again), so
// that threads reading items side by side do not overwrite each other's.
void SetThreadRtfBodyFile(const std::wstring& path);

// Decompresses the stream (data of its allocated size) into a new file at the
// output path: exactly the RTF the stream holds, decoded to its end marker and
// at most its raw size (a stream stored uncompressed is copied). 0 on success,
// 1 on failure (allocation, file creation or a write that failed); a stream
// too damaged to decode gives what could be decoded, never more than fits.
int DecompressRtfToFile(const uint8_t* data, uint64_t allocatedSize, const std::wstring& outputPath);

// Opens a file for writing (created or truncated) by its UTF-16 path.
FILE* OpenFileForWriting(const std::wstring& path);
