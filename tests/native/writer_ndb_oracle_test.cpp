// Real stores rebuilt node by node through the writer's node layer must read
// back exactly, and the independent readers must find in them what they find
// in the originals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "support/temp_file.h"
#include "writer/ndb_writer.h"
#include "writer_ndb_check.h"

namespace fs = std::filesystem;
using testing_support::ReadWholeFile;
using testing_support::TempFile;

namespace {

std::string JoinProblems(const std::vector<std::string>& p) {
    std::string s;
    for (const auto& x : p) s += x + "\n";
    return s;
}

void CopySubnodes(ndbcheck::Store& from, const std::vector<ndbcheck::Subnode>& in,
                  std::vector<writer::Subnode>& out) {
    for (const auto& s : in) {
        writer::Subnode copy;
        copy.nid = s.nid;
        copy.data.blocks = from.ReadLeaves(s.bidData);
        CopySubnodes(from, s.children, copy.subnodes);
        out.push_back(std::move(copy));
    }
}

struct Case {
    const char* sample;
    int crypt;          // -1: the sample's own
    bool smallPages;    // three entries per B-tree page: deep trees on a small store
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.sample << " crypt " << c.crypt << (c.smallPages ? " small pages" : "");
}

// Every node with its blocks as they were (heap pages keep their bounds).
std::vector<uint8_t> Rebuild(ndbcheck::Store& from, const Case& c) {
    writer::StoreOptions options;
    options.variant = from.unicode ? writer::Variant::Unicode : writer::Variant::Ansi;
    options.cryptMethod = static_cast<uint8_t>(c.crypt >= 0 ? c.crypt : from.crypt);
    options.ost = from.magicClient == fmt::kMagicClientOst;
    writer::NdbWriter ndb(options);
    if (c.smallPages) {
        ndb.Damage().nbtLeafEntries = 3;
        ndb.Damage().bbtLeafEntries = 3;
        ndb.Damage().intermediateEntries = 3;
    }
    for (const auto& n : from.nodes) {
        writer::Node node;
        node.nid = n.nid;
        node.parentNid = n.parent;
        node.data.blocks = from.ReadLeaves(n.bidData);
        CopySubnodes(from, from.ReadSubnodes(n.bidSub), node.subnodes);
        ndb.AddNode(std::move(node));
    }
    return ndb.WriteMemory();
}

void ExpectSameSubnodes(const std::vector<ndbcheck::Subnode>& a, const std::vector<ndbcheck::Subnode>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].nid, b[i].nid);
        EXPECT_EQ(a[i].data, b[i].data);
        ExpectSameSubnodes(a[i].children, b[i].children);
    }
}

#ifndef _WIN32
// Relative path and size of every file below dir, sorted; or, for readpst,
// whose MIME boundaries vary from run to run, the path and the number of
// messages in the file.
std::set<std::string> ListTree(const fs::path& dir, bool countMessages = false) {
    std::set<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string line = fs::relative(it->path(), dir).string();
        if (it->is_regular_file() && !countMessages) line += " " + std::to_string(it->file_size());
        if (it->is_regular_file() && countMessages) {
            const auto bytes = ReadWholeFile(it->path().string());
            const std::string text(bytes.begin(), bytes.end());
            size_t messages = text.rfind("From ", 0) == 0 ? 1 : 0;
            for (size_t at = text.find("\nFrom "); at != std::string::npos; at = text.find("\nFrom ", at + 1))
                ++messages;
            line += " " + std::to_string(messages) + " messages";
        }
        out.insert(line);
    }
    return out;
}

bool HaveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// What pffexport (items only: our stores keep no deleted leftovers) and
// readpst make of a store.
std::set<std::string> OracleView(const std::string& store, const fs::path& work) {
    fs::remove_all(work);
    fs::create_directories(work / "readpst");
    std::set<std::string> out;
    const std::string pff = "pffexport -q -m items -f all -t '" + (work / "pff").string() + "' '" + store +
                            "' >/dev/null 2>&1";
    out.insert("pffexport exit " + std::to_string(std::system(pff.c_str())));
    for (const auto& l : ListTree(work / "pff.export")) out.insert("pff " + l);
    const std::string rp = "readpst -j 0 -q -D -o '" + (work / "readpst").string() + "' '" + store + "' >/dev/null 2>&1";
    out.insert("readpst exit " + std::to_string(std::system(rp.c_str())));
    for (const auto& l : ListTree(work / "readpst", true)) out.insert("readpst " + l);
    return out;
}
#endif

class WriterNdbRebuild : public ::testing::TestWithParam<Case> {};

TEST_P(WriterNdbRebuild, ReadsBackAndReadersAgree) {
    const Case c = GetParam();
    const std::string sample = testing_support::SamplePath(c.sample);
    ndbcheck::Store original(ReadWholeFile(sample), false);
    ASSERT_TRUE(original.problems.empty()) << JoinProblems(original.problems);
    const std::vector<uint8_t> rebuilt = Rebuild(original, c);

    ndbcheck::Store ours(rebuilt, true);
    ASSERT_EQ(ours.nodes.size(), original.nodes.size());
    EXPECT_EQ(ours.crypt, c.crypt >= 0 ? c.crypt : original.crypt);
    if (c.smallPages) {
        EXPECT_GE(ours.nbtDepth, 4);
    }
    EXPECT_EQ(ours.magicClient, original.magicClient);
    for (size_t i = 0; i < ours.nodes.size(); ++i) {
        const auto& a = ours.nodes[i];
        const auto& b = original.nodes[i];
        EXPECT_EQ(a.nid, b.nid);
        EXPECT_EQ(a.parent, b.parent);
        EXPECT_EQ(ours.ReadLeaves(a.bidData), original.ReadLeaves(b.bidData)) << "node " << a.nid;
        ExpectSameSubnodes(ours.ReadSubnodes(a.bidSub), original.ReadSubnodes(b.bidSub));
    }
    EXPECT_TRUE(ours.problems.empty()) << JoinProblems(ours.problems);

#ifndef _WIN32
    if (!HaveTool("pffexport") || !HaveTool("readpst")) GTEST_SKIP() << "independent readers not installed";
    TempFile file(rebuilt, original.magicClient == fmt::kMagicClientOst ? ".ost" : ".pst");
    const fs::path work = fs::temp_directory_path() / ("writer_ndb_oracle_" + std::to_string(::getpid()));
    const auto want = OracleView(sample, work / "original");
    const auto got = OracleView(file.path(), work / "rebuilt");
    fs::remove_all(work);
    EXPECT_TRUE(want.count("pffexport exit 0") && want.count("readpst exit 0"));
    std::string diff;
    for (const auto& l : want)
        if (!got.count(l)) diff += "- " + l + "\n";
    for (const auto& l : got)
        if (!want.count(l)) diff += "+ " + l + "\n";
    EXPECT_TRUE(diff.empty()) << diff;
    EXPECT_GT(want.size(), 4u);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Samples, WriterNdbRebuild,
    ::testing::Values(Case{"unicode-sample1-attachment.pst", -1, false}, Case{"ansi-sample2-attachment.pst", -1, false},
                      Case{"unicode-crypt-high.pst", -1, false}, Case{"unicode-crypt-none.pst", -1, false},
                      Case{"ost-unicode-sample.ost", -1, false}, Case{"ansi-outlook97-mail.pst", -1, false},
                      Case{"unicode-nested-msg.pst", -1, false},
                      // Encodings and deep B-trees the samples do not have.
                      Case{"ansi-sample2-attachment.pst", 0, true}, Case{"ansi-cp932-mail.pst", 2, true},
                      Case{"unicode-testlab-mail.pst", 2, true}));

}  // namespace
