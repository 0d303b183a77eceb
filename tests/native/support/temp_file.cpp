#include "support/temp_file.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace testing_support {

std::string SamplePath(const std::string& name) {
#ifdef _WIN32
    return std::string(TESTDATA_DIR) + "\\" + name;
#else
    return std::string(TESTDATA_DIR) + "/" + name;
#endif
}

std::wstring Widen(const std::string& s) {
    // Test paths are ASCII.
    return std::wstring(s.begin(), s.end());
}

std::wstring SamplePathW(const std::string& name) { return Widen(SamplePath(name)); }

const std::vector<const char*>& SampleStoreNames() {
    static const std::vector<const char*> names = {
        "ansi-contacts.pst",          "ansi-cp932-mail.pst",            "ansi-empty-folders.pst",
        "ansi-outlook97-mail.pst",    "ansi-sample2-attachment.pst",    "ansi-tiny-calendar.pst",
        "ost-unicode-sample.ost",     "unicode-body-types.pst",         "unicode-contacts-jp.pst",
        "unicode-crypt-high.pst",     "unicode-crypt-none.pst",         "unicode-dist-list.pst",
        "unicode-empty-folders.pst",  "unicode-enron-mail.pst",         "unicode-jp-attachment-name.pst",
        "unicode-nested-msg.pst",     "unicode-sample1-attachment.pst", "unicode-support-mail.pst",
        "unicode-testlab-mail.pst",   "unicode-tika-mail.pst",
    };
    return names;
}

namespace {
std::string TempDir() {
#ifdef _WIN32
    char buf[MAX_PATH + 1];
    DWORD n = GetTempPathA(MAX_PATH, buf);
    return std::string(buf, n);
#else
    const char* t = std::getenv("TMPDIR");
    return std::string(t && *t ? t : "/tmp") + "/";
#endif
}
std::atomic<int> g_counter{0};
}  // namespace

TempFile::TempFile(const std::vector<uint8_t>& bytes, const std::string& suffix) {
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    path_ = TempDir() + "tarnwell-test-" + std::to_string(pid) + "-" +
            std::to_string(g_counter++) + suffix;
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot create " + path_);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

std::FILE* OpenScratchFile() {
#ifdef _WIN32
    const std::string path = TempDir() + "tarnwell-scratch-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(g_counter++) + ".tmp";
    return std::fopen(path.c_str(), "w+bD");  // D: deleted when closed
#else
    return std::tmpfile();
#endif
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testing_support
