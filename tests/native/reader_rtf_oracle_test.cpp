// Every compressed RTF body of the sample stores, decoded into the RTF body
// file, is byte for byte the RTF that readpst (pst-utils) writes for it.
// readpst runs here, on the Linux build only.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader_item_test_support.h"

#ifndef _WIN32
#include <dirent.h>
#include <unistd.h>
#endif

using item_test::LoadedStore;
using item_test::ScopedInstallFolder;

namespace {

#ifndef _WIN32

void CollectRtfFiles(const std::string& dir, std::map<std::string, int>* bodies, int* count) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = dir + "/" + name;
        if (e->d_type == DT_DIR) {
            CollectRtfFiles(path, bodies, count);
        } else if (name.size() > 13 && name.compare(name.size() - 13, 13, "-rtf-body.rtf") == 0) {
            const auto bytes = testing_support::ReadWholeFile(path);
            ++(*bodies)[std::string(bytes.begin(), bytes.end())];
            ++*count;
        }
    }
    closedir(d);
}

// readpst's RTF bodies of a store, as a multiset of byte strings.
std::map<std::string, int> ReadpstRtfBodies(const std::string& store, int* count) {
    std::map<std::string, int> bodies;
    *count = 0;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnwell-readpst-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) return bodies;
    const std::string dir = buf.data();
    // One job: readpst's parallel jobs now and then write one folder's body
    // over another's.
    const std::string command = "readpst -j 0 -S -q -t eajc -o '" + dir + "' '" + testing_support::SamplePath(store) +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) CollectRtfFiles(dir, &bodies, count);
    std::system(("rm -rf '" + dir + "'").c_str());
    return bodies;
}

// Ours: the RTF body file after reading each item that has a compressed body.
std::map<std::string, int> OurRtfBodies(const std::string& store, const ScopedInstallFolder& install, int* count) {
    std::map<std::string, int> bodies;
    *count = 0;
    // The store is opened exclusively: another reader of the shared samples
    // (readpst's last moments, a test beside this one) is waited for.
    std::unique_ptr<LoadedStore> loaded;
    for (int attempt = 0; attempt < 50; ++attempt) {
        loaded.reset();
        loaded = std::make_unique<LoadedStore>(testing_support::SamplePathW(store), /*wantBodies=*/true);
        if (loaded->tree.messages.empty()) break;
        usleep(100000);
    }
    EXPECT_TRUE(loaded->tree.messages.empty()) << item_test::Utf8(loaded->tree.messages[0]);
    for (const folder& f : g_listFolders) {
        NodeEntry* node = FindNode(&g_storeFile, f.nNodeId);
        for (NodeEntry* child = node ? node->pFirstChild : nullptr; child; child = child->pNextSibling) {
            ItemRecord* r = ReadItemRecord(g_storeFile, child);
            if (r && r->pMessage && r->pMessage->binRtfCompressed.cb) {
                const auto bytes = testing_support::ReadWholeFile(install.RtfBodyPath());
                ++bodies[std::string(bytes.begin(), bytes.end())];
                ++*count;
            }
            FreeItemRecord(r);
        }
    }
    return bodies;
}

struct Sample {
    const char* store;
    int readpstBodies;   // how many RTF bodies readpst writes for it
};

class ReaderRtfOracle : public ::testing::TestWithParam<Sample> {};

TEST_P(ReaderRtfOracle, EveryBodyIsReadpstsByteForByte) {
    if (std::system("command -v readpst >/dev/null 2>&1") != 0) GTEST_SKIP() << "readpst is not installed";
    const Sample sample = GetParam();
    int theirCount = 0;
    auto theirs = ReadpstRtfBodies(sample.store, &theirCount);
    EXPECT_EQ(theirCount, sample.readpstBodies);

    ScopedInstallFolder install;
    int ourCount = 0;
    auto ours = OurRtfBodies(sample.store, install, &ourCount);
    EXPECT_GE(ourCount, theirCount);
    for (const auto& body : theirs) {
        SCOPED_TRACE("readpst body of " + std::to_string(body.first.size()) + " bytes ending \"" +
                     body.first.substr(body.first.size() > 20 ? body.first.size() - 20 : 0) + "\"");
        auto it = ours.find(body.first);
        if (it != ours.end() && it->second >= body.second) continue;
        // Say where the nearest of ours parts from it.
        size_t best = 0, bestSize = 0;
        for (const auto& mine : ours) {
            size_t k = 0;
            while (k < mine.first.size() && k < body.first.size() && mine.first[k] == body.first[k]) ++k;
            if (k > best) {
                best = k;
                bestSize = mine.first.size();
            }
        }
        ADD_FAILURE() << "not decoded alike; the nearest of ours (" << bestSize << " bytes) differs from byte " << best;
    }
}

// Every sample store that holds RTF bodies in readpst's output.
INSTANTIATE_TEST_SUITE_P(Samples, ReaderRtfOracle,
                         ::testing::Values(Sample{"ansi-cp932-mail.pst", 1}, Sample{"ansi-outlook97-mail.pst", 182},
                                           Sample{"unicode-body-types.pst", 1}, Sample{"unicode-nested-msg.pst", 1},
                                           Sample{"ost-unicode-sample.ost", 69}),
                         [](const ::testing::TestParamInfo<Sample>& info) {
                             std::string name = info.param.store;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

#endif  // !_WIN32

}  // namespace
