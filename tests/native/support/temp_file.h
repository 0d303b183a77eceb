// Small helpers shared by the native and Windows test programs.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testing_support {

// Absolute path of a sample store in the shared test data.
std::string SamplePath(const std::string& name);
std::wstring SamplePathW(const std::string& name);
std::wstring Widen(const std::string& s);
// The sample stores the independent readers also take, by file name (the
// 4K-page offline store, which they do not, has tests of its own).
const std::vector<const char*>& SampleStoreNames();

// A file in the temporary folder that is removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::vector<uint8_t>& bytes, const std::string& suffix = ".bin");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    std::wstring wpath() const { return Widen(path_); }

private:
    std::string path_;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path);

// An anonymous scratch file, removed when closed. Not std::tmpfile(): the
// Windows runtime makes its files in the drive's root under a short sequence
// of names, so test programs running side by side collide there.
std::FILE* OpenScratchFile();

}  // namespace testing_support
