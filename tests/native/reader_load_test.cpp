// The store load: the messages that refuse a file, the folder tree and the
// folder list, on real samples and on stores made by our writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader_item_test_support.h"
#include "writer/store_builder.h"

using item_test::LoadedStore;
using item_test::Utf8;
using testing_support::TempFile;

namespace {

std::vector<std::string> Texts(const std::vector<FolderTreeModel::Item*>& items) {
    std::vector<std::string> out;
    for (const auto* i : items) out.push_back(Utf8(i->text));
    return out;
}

const FolderTreeModel::Item* PersonalFolders(const LoadedStore& store) {
    if (store.tree.Roots().empty() || store.tree.Roots()[0]->children.empty()) return nullptr;
    return store.tree.Roots()[0]->children[0];
}

TEST(ReaderLoad, FourKibPageStoreIsRefusedAndClosed) {
    const auto bytes = testing_support::ReadWholeFile(testing_support::SamplePath("ost2013-4k-outlookcom.ost"));
    ASSERT_FALSE(bytes.empty());
    LoadedStore store(testing_support::SamplePathW("ost2013-4k-outlookcom.ost"));
    ASSERT_EQ(store.tree.messages.size(), 1u);
    EXPECT_EQ(store.tree.messages[0], L"Please select valid ost file.");
    EXPECT_EQ(store.tree.messageStyles[0], kLoadMessageStyle);
    EXPECT_FALSE(g_storeFile.file.IsOpen());
    EXPECT_TRUE(store.tree.loadFinished);
    EXPECT_EQ(g_bAnalysisDone.load(), 1);
    EXPECT_TRUE(g_listFolders.empty());
    // Only the root item with the path as chosen.
    ASSERT_EQ(store.tree.Roots().size(), 1u);
    EXPECT_EQ(store.tree.Roots()[0]->text, testing_support::SamplePathW("ost2013-4k-outlookcom.ost"));
    EXPECT_TRUE(store.tree.Roots()[0]->children.empty());
}

TEST(ReaderLoad, FilesThatAreNoStoresAreRefused) {
    {
        LoadedStore store(testing_support::SamplePathW("no-such-store.ost"));
        ASSERT_EQ(store.tree.messages.size(), 1u);
        EXPECT_EQ(store.tree.messages[0], L"Selected Source File in use.");
    }
    {
        // A header of version 23 and nothing else.
        std::vector<uint8_t> header(516, 0);
        header[10] = 23;
        TempFile file(header, ".ost");
        LoadedStore store(file.wpath());
        ASSERT_EQ(store.tree.messages.size(), 1u);
        EXPECT_EQ(store.tree.messages[0], L"Please select valid ost file.");
    }
    {
        // A store held open by someone else.
        writer::StoreBuilder b{writer::StoreOptions{}};
        TempFile file(b.WriteMemory(), ".pst");
        CFile64 holder;
        ASSERT_EQ(holder.Open(file.wpath()), 1);
        LoadedStore store(file.wpath());
        ASSERT_EQ(store.tree.messages.size(), 1u);
        EXPECT_EQ(store.tree.messages[0], L"Selected Source File in use.");
    }
}

TEST(ReaderLoad, RealSampleFillsTreeAndList) {
    LoadedStore store(testing_support::SamplePathW("ost-unicode-sample.ost"));
    ASSERT_TRUE(store.tree.messages.empty());
    EXPECT_EQ(store.tree.styles, kFolderTreeStyles);
    EXPECT_TRUE(store.tree.progressBarShown);
    ASSERT_FALSE(store.tree.progress.empty());
    EXPECT_EQ(store.tree.progress.back(), 100);
    EXPECT_EQ(store.tree.statuses.back(), L"Retrieving Folders...");
    EXPECT_GE(store.tree.pausedMilliseconds, 2000u);
    const auto* personal = PersonalFolders(store);
    ASSERT_NE(personal, nullptr);
    EXPECT_EQ(personal->text, L"Personal Folders");
    EXPECT_EQ(personal->image, kFolderImageStore);
    EXPECT_TRUE(personal->expanded);
    EXPECT_EQ(g_listFolders[0].hItem, static_cast<TreeItemHandle>(const_cast<FolderTreeModel::Item*>(personal)));
    EXPECT_EQ(g_listFolders[0].nNodeId, kDefaultTopFolderNid);
    EXPECT_EQ(g_listFolders.size(), store.tree.ItemCount() - 1);   // every item but the root
    EXPECT_EQ(Texts(personal->children),
              (std::vector<std::string>{"Calendar", "Contacts", "Conversation Action Settings", "Deleted Items", "Drafts",
                                        "Inbox", "Journal", "Junk E-Mail", "News Feed", "Notes", "Outbox",
                                        "Quick Step Settings", "RSS Feeds", "Sent Items", "Suggested Contacts",
                                        "Sync Issues", "Tasks"}));
    EXPECT_NE(g_pRootFolderNode, nullptr);
}

TEST(ReaderLoad, FolderImagesGoByTheWholeNameInAnyCase) {
    EXPECT_EQ(GetFolderImageIndex(L"inbox"), 7);
    EXPECT_EQ(GetFolderImageIndex(L"Inbox Archive"), 1);
    EXPECT_EQ(GetFolderImageIndex(L"Junk E-mail"), 9);
    EXPECT_EQ(GetFolderImageIndex(L"sent items"), 12);
    EXPECT_EQ(GetFolderImageIndex(L"TASKS"), 13);
    EXPECT_EQ(GetFolderImageIndex(L""), 1);
    EXPECT_EQ(GetFolderImageIndex(nullptr), 1);
}

// A writer store with folders that exercise the tree fill.
std::vector<uint8_t> TreeStore(writer::Variant variant, bool unreadable, bool withoutNameMap,
                               uint32_t* unreadableFolder = nullptr) {
    writer::StoreOptions options;
    options.variant = variant;
    writer::StoreBuilder b(options);
    const uint32_t top = b.IpmSubtree();
    const uint32_t zeta = b.AddFolder(top, u"Zeta");
    b.AddMessage(zeta, "IPM.Note").SetSubject(u"an item before the sub-folders");
    b.AddFolder(zeta, u"Child after an item");
    b.AddFolder(top, u"alpha");
    b.AddFolder(top, u"inbox");
    const uint32_t broken = b.AddFolder(top, u"Beta");
    b.AddFolder(broken, u"Under Beta");
    const uint32_t nameless = b.AddFolder(top, u"x");
    b.FolderProperties(nameless).Remove(0x3001);
    b.AddFolder(top, u"Inbox Archive");
    if (unreadable) b.Damage().unreadableNids.push_back(broken);
    if (withoutNameMap) b.Damage().omitNameToIdMap = true;
    if (unreadableFolder) *unreadableFolder = broken;
    return b.WriteMemory();
}

class ReaderLoadTree : public ::testing::TestWithParam<writer::Variant> {};

TEST_P(ReaderLoadTree, FoldersAreSortedInTheTreeAndListedInInsertionOrder) {
    TempFile file(TreeStore(GetParam(), false, false), ".pst");
    LoadedStore store(file.wpath());
    ASSERT_TRUE(store.tree.messages.empty());
    const auto* personal = PersonalFolders(store);
    ASSERT_NE(personal, nullptr);
    EXPECT_EQ(Texts(personal->children),
              (std::vector<std::string>{"", "alpha", "Beta", "Deleted Items", "inbox", "Inbox Archive", "Zeta"}));
    for (const auto* child : personal->children) {
        const std::string text = Utf8(child->text);
        SCOPED_TRACE(text);
        EXPECT_EQ(child->image, text == "inbox" ? 7 : text == "Deleted Items" ? 5 : 1);
        EXPECT_EQ(child->image, child->selectedImage);
    }
    // Sub-folders after an item still appear; the item does not.
    const auto* zeta = personal->children.back();
    EXPECT_EQ(Texts(zeta->children), (std::vector<std::string>{"Child after an item"}));
    // The list keeps the order of insertion: depth first, each folder's
    // sub-folders before its next sibling, in node order.
    const auto paths = store.FolderPaths();
    ASSERT_EQ(paths.size(), 10u);
    EXPECT_EQ(paths[0], "");
    for (size_t i = 1; i < paths.size(); ++i) {
        if (paths[i] == "Zeta") {
            EXPECT_EQ(paths[i + 1], "Zeta/Child after an item");
        }
        if (paths[i] == "Beta") {
            EXPECT_EQ(paths[i + 1], "Beta/Under Beta");
        }
    }
}

// A folder whose own record cannot be read keeps its place under a name made
// from its node id, and its sub-folders are read as usual.
TEST_P(ReaderLoadTree, UnreadableFolderKeepsItsPlaceAndSubTree) {
    uint32_t broken = 0;
    TempFile file(TreeStore(GetParam(), true, true, &broken), ".pst");
    LoadedStore store(file.wpath());
    // No name-to-id map: the load goes on.
    ASSERT_TRUE(store.tree.messages.empty());
    const auto* personal = PersonalFolders(store);
    ASSERT_NE(personal, nullptr);
    char made[32];
    std::snprintf(made, sizeof made, "Folder %X", broken);
    EXPECT_EQ(Texts(personal->children),
              (std::vector<std::string>{"", "alpha", "Deleted Items", made, "inbox", "Inbox Archive", "Zeta"}));
    const std::vector<std::string> paths = store.FolderPaths();
    EXPECT_EQ(std::count(paths.begin(), paths.end(), std::string(made) + "/Under Beta"), 1);
    EXPECT_EQ(std::count_if(g_listFolders.begin(), g_listFolders.end(),
                            [&](const folder& f) { return f.nNodeId == broken; }),
              1);
    EXPECT_EQ(g_storeFile.pFirstNamedProp, nullptr);
}

TEST_P(ReaderLoadTree, SecondLoadStartsFromAnEmptyTreeAndList) {
    TempFile first(TreeStore(GetParam(), false, false), ".pst");
    writer::StoreBuilder b{writer::StoreOptions{}};
    b.AddFolder(b.IpmSubtree(), u"Only");
    TempFile second(b.WriteMemory(), ".pst");
    LoadedStore store(first.wpath());
    ASSERT_EQ(g_listFolders.size(), 10u);
    ResetReader();
    EXPECT_TRUE(g_listFolders.empty());
    EXPECT_FALSE(g_storeFile.file.IsOpen());
    OstRepair host(second.wpath());
    AnalysisThreadProc(&host);
    ASSERT_TRUE(store.tree.messages.empty());
    ASSERT_EQ(store.tree.Roots().size(), 1u);
    EXPECT_EQ(Texts(PersonalFolders(store)->children), (std::vector<std::string>{"Deleted Items", "Only"}));
    EXPECT_EQ(g_listFolders.size(), 3u);
    EXPECT_EQ(g_nStringMode, 2);
}

INSTANTIATE_TEST_SUITE_P(Variants, ReaderLoadTree, ::testing::Values(writer::Variant::Unicode, writer::Variant::Ansi),
                         [](const ::testing::TestParamInfo<writer::Variant>& info) {
                             return std::string(info.param == writer::Variant::Ansi ? "Ansi" : "Unicode");
                         });

}  // namespace
