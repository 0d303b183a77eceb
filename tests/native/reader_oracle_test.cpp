// The reader against independent readers: for every sample store, the
// folders under the top folder, the items per folder, their subjects and
// senders, attachment names and sizes, and the decompressed RTF bodies agree
// with what pffexport exported, and the item counts with the folders readpst
// wrote (golden/*.golden, written by golden/regenerate.py). Each known
// disagreement is named below with its cause.
#include <gtest/gtest.h>

#include "support/temp_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/crc.h"
#include "reader/ltp.h"
#include "reader/ndb_block.h"
#include "reader/attachment_writer.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader_item_test_support.h"
#include "app/FolderListCount.h"

using item_test::LoadedStore;
using item_test::ScopedInstallFolder;
using item_test::TextOf;

namespace {

std::string GoldenPath(const std::string& store) {
    std::string dir = __FILE__;
    dir = dir.substr(0, dir.find_last_of("/\\"));
#ifdef _WIN32
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
#endif
    return dir + "/golden/" + store + ".golden";
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream s(line);
    std::string field;
    while (std::getline(s, field, '\t')) out.push_back(field);
    return out;
}

struct FolderSummary {
    int items = 0;
    std::multiset<std::string> subjects;
    std::multiset<std::string> senders;
    std::multiset<std::string> attachments;   // "name:size"
    std::vector<std::pair<size_t, uint32_t>> rtf;   // golden: length, CRC of the head
    std::vector<std::vector<uint8_t>> rtfBodies;    // ours: decoded bytes
};

// pffexport's summary, keyed by folder path relative to the export root.
std::map<std::string, FolderSummary> ReadGolden(const std::string& store) {
    std::map<std::string, FolderSummary> out;
    std::ifstream in(GoldenPath(store));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto f = Split(line);
        if (f.size() < 2 || f[0] == "rfolder") continue;
        FolderSummary& s = out[f[1]];
        if (f[0] == "folder" && f.size() >= 3) s.items = std::stoi(f[2]);
        if (f[0] == "item") {
            s.subjects.insert(f.size() > 2 ? f[2] : "");
            s.senders.insert(f.size() > 3 ? f[3] : "");
        }
        // pffexport names an attachment without a file name "Attachment.txt";
        // the reader's consumers pass over such attachments.
        if (f[0] == "attach" && f.size() >= 4 && f[2] != "Attachment.txt") s.attachments.insert(f[2] + ":" + f[3]);
        if (f[0] == "rtf" && f.size() >= 4) {
            s.rtf.emplace_back(std::stoul(f[2]), static_cast<uint32_t>(std::stoul(f[3], nullptr, 16)));
        }
    }
    return out;
}

// readpst's folders are keyed by their path below the top folder.
std::map<std::string, int> ReadReadpstGolden(const std::string& store) {
    std::map<std::string, int> out;
    std::ifstream in(GoldenPath(store));
    std::string line;
    while (std::getline(in, line)) {
        const auto f = Split(line);
        if (f.size() >= 3 && f[0] == "rfolder") out[f[1]] = std::stoi(f[2]);
        if (f.size() == 2 && f[0] == "rfolder") out[""] = std::stoi(f[1]);
    }
    return out;
}

// The golden lines' text form: tabs and line breaks as blanks, outer blanks off.
std::string Clean(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    const size_t b = text.find_first_not_of(' ');
    const size_t e = text.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
}

// Folder names as pffexport writes them as directories: the characters it
// cannot put in a file name (and a few more) become "_", and 8-bit text bytes that the code
// page leaves unassigned (our C1 controls) its replacement character.
std::string NormalizePath(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else if (std::strchr("@&!~\\:*?\"<>|", c) && c != 0) {
            out += '_';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

uint64_t AttachmentSize(const AttachmentNode* a) {
    if (a->pData) return a->cbData;
    FILE* f = testing_support::OpenScratchFile();
    if (!f) return 0;
    uint64_t n = WriteAttachmentToFile(f, a);
    std::fclose(f);
    return n;
}

// The row ids of a folder's contents table ([MS-PST] 2.4.4.5: the folder's
// node id with the type 0x0E): the items the folder lists. The node tree also
// holds the folder's associated items and items deleted from the table whose
// nodes remain; the reader passes those on like any item, pffexport does not.
constexpr int32_t kAssociatedFlag = 0x40;   // MSGFLAG_ASSOCIATED

std::set<uint32_t> ContentsTableRowIds(uint32_t folderNid) {
    std::set<uint32_t> ids;
    NodeEntry* table = FindNode(&g_storeFile, (folderNid & ~0x1Fu) | 0x0Eu);
    if (!table || !table->pDataBlock) return ids;
    SubnodeEntry* map = table->pSubnodeBlock ? ReadSubnodeMap(&g_storeFile, table->pSubnodeBlock) : nullptr;
    PropRow* rows = ReadNodeProperties(&g_storeFile, table->pDataBlock->blockId, map);
    for (PropRow* row = rows; row; row = row->pNext) {
        for (int32_t i = 0; i < row->valueCount; ++i) {
            const PropValue* v = row->ppValues[i];
            if (v && v->propId == 0x67F2 && v->pData && v->size >= 4) ids.insert(fmt::LoadLe32(v->pData));
        }
    }
    FreePropRows(rows);
    FreeSubnodeMap(map);
    return ids;
}

// Items that the contents tables list and the reader reads, but that both
// pffexport and readpst pass over (readpst counts them as skipped).
bool SkippedByBothOracles(const std::wstring& storePath, const std::string& folderPath, const std::string& subject) {
    struct Known {
        const char* store;
        const char* folder;
        const char* subject;
    };
    static const Known kKnown[] = {
        {"ansi-empty-folders.pst", "Folder", "Post"},
        {"unicode-empty-folders.pst", "", "Test"},
        {"unicode-empty-folders.pst", "Folder", "Post"},
    };
    const std::string path = item_test::Utf8(storePath);
    for (const Known& k : kKnown) {
        const std::string name = k.store;
        if (path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0 &&
            folderPath == k.folder && subject == k.subject) {
            return true;
        }
    }
    return false;
}

// Items that readpst counts as skipped where pffexport exports them (and the
// reader reads them alike): a distribution list and three messages.
int ReadpstSkipped(const std::string& store, const std::string& folder) {
    struct Known {
        const char* store;
        const char* folder;
        int items;
    };
    static const Known kKnown[] = {
        {"unicode-dist-list.pst", "Contacts", 1},
        {"unicode-support-mail.pst", "Sent Messages", 1},
        {"unicode-testlab-mail.pst", "FolderWithSingleMessage", 1},
        {"unicode-testlab-mail.pst", "FolderWithSingleUnreadMessage", 1},
    };
    for (const Known& k : kKnown) {
        if (store == k.store && folder == k.folder) return k.items;
    }
    return 0;
}

std::map<std::string, FolderSummary> ReadOurs(const LoadedStore& store, const ScopedInstallFolder& install,
                                              int* notListed, int* damagedBlocks) {
    std::map<std::string, FolderSummary> out;
    const auto paths = store.FolderPaths();
    for (size_t k = 0; k < g_listFolders.size(); ++k) {
        FolderSummary& s = out[NormalizePath(paths[k])];
        NodeEntry* node = FindNode(&g_storeFile, g_listFolders[k].nNodeId);
        // Associated items carry the flag 0x40. When the other items are as
        // many as the folder's content count, all of them are listed;
        // otherwise the contents table says which are.
        ItemRecord* self = ReadItemRecord(g_storeFile, node);
        const int contentCount = self && self->pFolderCounts ? self->pFolderCounts->nContentCount : -1;
        if (self) *damagedBlocks += self->nBlocksDamaged;
        FreeItemRecord(self);
        int candidates = 0;
        for (NodeEntry* child = node ? node->pFirstChild : nullptr; child; child = child->pNextSibling) {
            ItemRecord* r = ReadItemRecord(g_storeFile, child);
            if (r) *damagedBlocks += r->nBlocksDamaged;
            if (r && !r->pFolderCounts && !(r->nMessageFlags & kAssociatedFlag)) ++candidates;
            FreeItemRecord(r);
        }
        const bool allListed = candidates == contentCount;
        const std::set<uint32_t> listed = allListed ? std::set<uint32_t>() : ContentsTableRowIds(g_listFolders[k].nNodeId);
        for (NodeEntry* child = node ? node->pFirstChild : nullptr; child; child = child->pNextSibling) {
            ItemRecord* r = ReadItemRecord(g_storeFile, child);
            if (!r) continue;
            if (r->pFolderCounts) {
                FreeItemRecord(r);
                continue;
            }
            if ((r->nMessageFlags & kAssociatedFlag) || (!allListed && !listed.count(static_cast<uint32_t>(child->nodeId)))) {
                ++*notListed;
                FreeItemRecord(r);
                continue;
            }
            if (SkippedByBothOracles(store.Path(), paths[k], TextOf(r->txSubject))) {
                ++*notListed;
                FreeItemRecord(r);
                continue;
            }
            ++s.items;
            s.subjects.insert(Clean(TextOf(r->txSubject)));
            s.senders.insert(Clean(r->pMessage ? TextOf(r->pMessage->txSentRepresentingName) : ""));
            // pffexport writes a meeting request without its attachments.
            const bool meetingRequest = r->szClass && std::strncmp(r->szClass, "IPM.Schedule.Meeting", 20) == 0;
            for (const AttachmentNode* a = meetingRequest ? nullptr : r->pAttachments; a; a = a->pNext) {
                if (!a->txAttachFilename.pData && !a->txAttachLongFilename.pData) continue;
                const std::string name = TextOf(a->txAttachLongFilename.pData ? a->txAttachLongFilename
                                                                              : a->txAttachFilename);
                s.attachments.insert(NormalizePath(Clean(name)) + ":" + std::to_string(AttachmentSize(a)));
            }
            if (r->pMessage && r->pMessage->binRtfCompressed.cb) {
                s.rtfBodies.push_back(testing_support::ReadWholeFile(install.RtfBodyPath()));
            }
            FreeItemRecord(r);
        }
    }
    return out;
}

// The golden folder that is our top folder: named like it, with the most
// sub-folders that we also have.
std::string FindTopInGolden(const std::map<std::string, FolderSummary>& golden, const std::string& topName,
                            const std::vector<std::string>& ours) {
    std::string best;
    int bestScore = -1;
    for (const auto& g : golden) {
        const std::string& path = g.first;
        const size_t slash = path.find_last_of('/');
        const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
        if (last != topName) continue;
        int score = 0;
        for (const auto& p : ours) {
            if (!p.empty() && golden.count(path + "/" + p)) ++score;
        }
        if (score > bestScore) {
            bestScore = score;
            best = path;
        }
    }
    return best;
}

// What one side has more of than the other.
std::string Difference(const std::multiset<std::string>& a, const std::multiset<std::string>& b) {
    std::multiset<std::string> rest;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(rest, rest.begin()));
    std::string out;
    for (const auto& e : rest) out += "[" + e + "] ";
    return out;
}
#define EXPECT_SAME_SET(mine, theirs) \
    EXPECT_TRUE((mine) == (theirs)) << "only ours: " << Difference(mine, theirs) << "\nonly theirs: " << Difference(theirs, mine)

uint32_t ZlibCrc(const uint8_t* data, size_t n) { return fmt::Crc32(data, n, 0xFFFFFFFFu) ^ 0xFFFFFFFFu; }

class ReaderOracle : public ::testing::TestWithParam<const char*> {};

TEST_P(ReaderOracle, AgreesWithPffexport) {
    const std::string store = GetParam();
    SCOPED_TRACE(store);
    auto golden = ReadGolden(store);
    ASSERT_FALSE(golden.empty()) << "no golden summary for " << store;

    ScopedInstallFolder install;
    LoadedStore loaded(testing_support::SamplePathW(store), /*wantBodies=*/true);
    ASSERT_TRUE(loaded.tree.messages.empty()) << item_test::Utf8(loaded.tree.messages[0]);
    ASSERT_FALSE(g_listFolders.empty());

    ItemRecord* top = ReadItemRecord(g_storeFile, FindNode(&g_storeFile, g_listFolders[0].nNodeId));
    ASSERT_NE(top, nullptr);
    const std::string topName = NormalizePath(TextOf(top->txDisplayName));
    FreeItemRecord(top);

    std::vector<std::string> ourPaths = loaded.FolderPaths();
    for (auto& p : ourPaths) p = NormalizePath(p);
    const std::string topPath = FindTopInGolden(golden, topName, ourPaths);
    ASSERT_FALSE(topPath.empty()) << "pffexport has no folder named " << topName;
    int notListed = 0;
    int damagedBlocks = 0;
    const auto ours = ReadOurs(loaded, install, &notListed, &damagedBlocks);
    // Every block of a sound store matches its stored CRC: a block counted
    // as damaged here is a false alarm the save would pass on to the user.
    EXPECT_EQ(damagedBlocks, 0);
    // Items of the node tree that no contents table lists (associated items,
    // deleted items whose nodes remain): read like any item, left out here.
    RecordProperty("items_not_in_contents_tables", notListed);

    // Folder hierarchy: the same paths below the top folder.
    std::set<std::string> theirPaths;
    for (const auto& g : golden) {
        if (g.first == topPath) theirPaths.insert("");
        else if (g.first.compare(0, topPath.size() + 1, topPath + "/") == 0) theirPaths.insert(g.first.substr(topPath.size() + 1));
    }
    std::set<std::string> ourPathSet(ourPaths.begin(), ourPaths.end());
    EXPECT_EQ(ourPathSet, theirPaths);

    // The item list walks a folder when it has something to list: every folder
    // with items must get a count above 0, whatever count it stored.
    std::map<std::string, std::pair<int, int>> listCounts;  // path: stored (-1 none), listed
    for (size_t k = 0; k < g_listFolders.size(); ++k) {
        NodeEntry* node = FindNode(&g_storeFile, g_listFolders[k].nNodeId);
        ItemRecord* self = ReadItemRecord(g_storeFile, node);
        const FolderCounts* counts = self ? self->pFolderCounts : nullptr;
        listCounts[ourPaths[k]] = {counts ? counts->nContentCount : -1, FolderListCount(counts, node)};
        FreeItemRecord(self);
    }
    for (const auto& c : listCounts) {
        auto it = golden.find(c.first.empty() ? topPath : topPath + "/" + c.first);
        if (it == golden.end() || it->second.items == 0) continue;
        EXPECT_GT(c.second.second, 0) << "folder " << c.first << " would list nothing";
        if (c.second.first <= 0) {
            std::cout << "[ stored count hides items ] " << store << " / " << c.first << ": stored "
                      << c.second.first << ", pffexport " << it->second.items << ", listed count "
                      << c.second.second << "\n";
        }
    }

    for (const auto& o : ours) {
        const std::string theirKey = o.first.empty() ? topPath : topPath + "/" + o.first;
        auto it = golden.find(theirKey);
        if (it == golden.end()) continue;
        const FolderSummary& mine = o.second;
        const FolderSummary& theirs = it->second;
        SCOPED_TRACE("folder " + theirKey);
        EXPECT_EQ(mine.items, theirs.items);
        EXPECT_SAME_SET(mine.subjects, theirs.subjects);
        EXPECT_SAME_SET(mine.senders, theirs.senders);
        EXPECT_SAME_SET(mine.attachments, theirs.attachments);
        // Every RTF body pffexport wrote is one we decoded; pffexport ends
        // its file with one zero byte more than the stream's raw size.
        for (const auto& rtf : theirs.rtf) {
            const size_t head = rtf.first - 64;
            bool found = false;
            for (const auto& body : mine.rtfBodies) {
                if (body.size() + 1 == rtf.first && ZlibCrc(body.data(), head) == rtf.second) found = true;
            }
            EXPECT_TRUE(found) << "RTF body of " << rtf.first << " bytes not decoded alike";
        }
    }

    // readpst: the item count of every folder it wrote that we have too.
    int compared = 0;
    for (const auto& r : ReadReadpstGolden(store)) {
        auto it = ours.find(r.first);
        if (it == ours.end()) continue;
        SCOPED_TRACE("readpst folder " + r.first);
        ++compared;
        EXPECT_EQ(it->second.items - ReadpstSkipped(store, r.first), r.second);
    }
    EXPECT_GT(compared, 0);
}

std::string SampleName(const ::testing::TestParamInfo<const char*>& info) {
    std::string name = info.param;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Samples, ReaderOracle, ::testing::ValuesIn(testing_support::SampleStoreNames()), SampleName);

}  // namespace
