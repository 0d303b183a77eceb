// Reading damaged stores: the damaged copies listed in the shared test data's
// damaged/cases.tsv, made in the temporary folder at test time, each read
// through the store load and compared with what its undamaged source gives;
// and the loss counts, which an undamaged store never shows.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "reader/item_reader.h"
#include "reader_item_test_support.h"

using namespace item_test;
using testing_support::TempFile;

namespace {

// What one load reads: items per folder path, and what was left out.
struct Reading {
    std::map<std::string, int> itemsByFolder;
    int items = 0;
    int unreadableItems = 0;
    int partsLost = 0;
    int unreadableAttachments = 0;
};

Reading ReadStore(const std::wstring& path) {
    LoadedStore store(path);
    Reading out;
    const std::vector<std::string> paths = store.FolderPaths();
    for (size_t i = 0; i < paths.size(); ++i) {
        NodeEntry* folderNode = FindNode(&g_storeFile, g_listFolders[i].nNodeId);
        for (NodeEntry* c = folderNode ? folderNode->pFirstChild : nullptr; c; c = c->pNextSibling) {
            if (IsFolderNid(c->nodeId)) continue;
            ItemRecord* r = nullptr;
            try {
                r = ReadItemRecord(g_storeFile, c);
            } catch (const StoreFileException&) {
            }
            if (!r) {
                ++out.unreadableItems;
                continue;
            }
            ++out.itemsByFolder[paths[i]];
            ++out.items;
            out.partsLost += r->nPartsLost;
            for (const AttachmentNode* a = r->pAttachments; a; a = a->pNext) out.unreadableAttachments += a->bUnreadable;
            FreeItemRecord(r);
        }
    }
    return out;
}

// One line of cases.tsv made into a damaged copy: "OFFSET:OLD>NEW ..." byte
// changes (hex values) or "cut N".
struct DamagedCase {
    std::string name;
    std::string source;
    std::vector<uint8_t> bytes;
};

// Damage the shared list lacks, in its form: the id in a B-tree page's
// trailer (a page read only when its entries hold together); a block B-tree
// leaf key out of order with its offset (the entries after it kept aside and
// still found); the key of an attachment's data block.
const char kMoreCases[] =
    "page-trailer-bid.pst\tunicode-crypt-high.pst\t33278:00>65\n"
    "bbt-leaf-key.pst\tunicode-support-mail.pst\t934688:5c>49 934698:00>a7\n"
    "bbt-attachment-key.ost\tost-unicode-sample.ost\t2733689:8f>cf\n"
    // Node B-tree leaf keys out of order (the entries after them hold
    // folders, or messages), and a message's parent id: the entries passed
    // over are placed below their parent folders, the message through its
    // folder's contents table.
    "nbt-leaf-folders.pst\tansi-outlook97-mail.pst\t26738:00>32 26741:00>a9 26742:00>ff\n"
    "nbt-leaf-key.pst\tansi-outlook97-mail.pst\t172113:4c>00\n"
    "nbt-parent-id.pst\tansi-outlook97-mail.pst\t172173:80>c0\n"
    // The message store's block key (its record unreadable: the top folder
    // is found below the root folder), and a page offset off its boundary.
    "store-record-block.pst\tunicode-support-mail.pst\t934832:8c>42\n"
    "nbt-page-offset.pst\tansi-sample2-attachment.pst\t34833:03>c5 34836:00>7e\n";

std::vector<DamagedCase> MakeDamagedCases() {
    std::vector<DamagedCase> cases;
    std::ifstream shared(testing_support::SamplePath("damaged/cases.tsv"));
    std::stringstream list;
    list << shared.rdbuf() << kMoreCases;
    std::string line;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        DamagedCase c;
        std::string change;
        std::getline(fields, c.name, '\t');
        std::getline(fields, c.source, '\t');
        std::getline(fields, change);
        c.bytes = testing_support::ReadWholeFile(testing_support::SamplePath(c.source));
        if (change.rfind("cut ", 0) == 0) {
            c.bytes.resize(std::min<size_t>(c.bytes.size(), std::stoul(change.substr(4))));
        } else {
            std::istringstream pokes(change);
            std::string poke;
            while (pokes >> poke) {
                const size_t colon = poke.find(':'), arrow = poke.find('>');
                const size_t at = std::stoul(poke.substr(0, colon));
                EXPECT_EQ(c.bytes.at(at), std::stoul(poke.substr(colon + 1, arrow - colon - 1), nullptr, 16))
                    << c.name << ": the sample is not the one the case was made on";
                c.bytes.at(at) = static_cast<uint8_t>(std::stoul(poke.substr(arrow + 1), nullptr, 16));
            }
        }
        cases.push_back(std::move(c));
    }
    return cases;
}

TEST(ReaderRecovery, DamagedCasesKeepTheItemsOfTheirUndamagedSource) {
    ScopedInstallFolder install;
    const std::vector<DamagedCase> cases = MakeDamagedCases();
    ASSERT_GE(cases.size(), 14u);
    std::map<std::string, Reading> sources;
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!sources.count(c.source)) sources[c.source] = ReadStore(testing_support::SamplePathW(c.source));
        const Reading& whole = sources[c.source];
        TempFile file(c.bytes, c.name.substr(c.name.rfind('.')));
        const Reading damaged = ReadStore(file.wpath());
        if (c.name.rfind("cut-at-", 0) == 0) {
            // The items whose nodes lie before the cut: a third of the 294.
            EXPECT_GE(damaged.items, 98);
            EXPECT_LT(damaged.items, whole.items);
            continue;
        }
        EXPECT_EQ(damaged.items, whole.items);
        if (c.name == "heap-header.pst") {
            // The folder whose record is gone keeps its place and its items.
            EXPECT_EQ(damaged.itemsByFolder.at("Folder 8042"), whole.itemsByFolder.at("Deleted Items"));
        }
        if (c.name == "bbt-attachment-key.ost") {
            // The attachment's data block is gone with its block B-tree key;
            // the appointment is read and says what it left out.
            EXPECT_EQ(damaged.unreadableAttachments, 1);
            EXPECT_GE(damaged.partsLost, 1);
        } else if (c.name == "bbt-appointment-attachment.ost") {
            // The attachment's block offset, damaged above 40 bits, is read
            // by its low bits.
            EXPECT_EQ(damaged.unreadableAttachments, 0);
            EXPECT_EQ(damaged.partsLost, 0);
        }
    }
}

// The save reports what an item left out: an undamaged store must never
// show a loss, or every save of it would report damage.
TEST(ReaderRecovery, UndamagedSamplesLoseNothing) {
    ScopedInstallFolder install;
    for (const char* name : testing_support::SampleStoreNames()) {
        SCOPED_TRACE(name);
        const Reading reading = ReadStore(testing_support::SamplePathW(name));
        EXPECT_EQ(reading.unreadableItems, 0);
        EXPECT_EQ(reading.partsLost, 0);
        EXPECT_EQ(reading.unreadableAttachments, 0);
    }
}

}  // namespace
