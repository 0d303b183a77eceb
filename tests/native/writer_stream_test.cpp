// Stores written as they grow: streamed to their file, made whole at each
// checkpoint, and still whole when the writing process dies between two.
// Read back through the probe and, where installed, through pffexport.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "format/bytes.h"
#include "format/layout.h"
#include "format/props.h"
#include "support/temp_file.h"
#include "writer/store_builder.h"
#include "writer_ndb_check.h"
#include "writer_store_probe.h"

namespace {

namespace fs = std::filesystem;
using writer::Bytes;
using writer::Variant;

std::u16string Num(const char16_t* prefix, int i) {
    const std::string n = std::to_string(i);
    return prefix + std::u16string(n.begin(), n.end());
}

class WriterStream : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("writer_stream_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

// The node layer of a file, walked independently: CRCs, both B-trees, every
// block, and allocation maps that match exactly the space in use.
std::string StructuralProblems(const Bytes& file) {
    ndbcheck::Store check(file, true);
    std::string all;
    for (const std::string& p : check.problems) all += p + "\n";
    return all;
}

// Rows of a folder's contents table, by subject.
std::vector<std::u16string> Subjects(const probe::Store& s, uint32_t folder) {
    std::vector<std::u16string> out;
    const probe::Table t = s.NodeTable((folder & ~0x1Fu) | fmt::kNidTypeContentsTable);
    for (const auto& row : t.rows) {
        auto it = row.find(fmt::MakeTag(fmt::kPidSubject, fmt::kPtUnicode));
        out.push_back(it == row.end() ? u"" : probe::Utf16(it->second.bytes));
        // Rows are kept compact between checkpoints, equal values once.
        auto topic = row.find(fmt::MakeTag(fmt::kPidConversationTopic, fmt::kPtUnicode));
        EXPECT_TRUE(it == row.end() || (topic != row.end() && topic->second.bytes == it->second.bytes));
    }
    std::sort(out.begin(), out.end());
    return out;
}

void AddMails(writer::StoreBuilder& b, uint32_t folder, int first, int count) {
    for (int i = first; i < first + count; ++i) {
        writer::Message& m = b.AddMessage(folder, "IPM.Note");
        m.SetSubject(Num(u"mail ", i));
        m.SetBody(std::u16string(100 + i, u'b'));
        m.AddRecipient(u"Ann", u"ann@example.com");
        if (i % 3 == 0) m.AddAttachment(u"a.bin", Bytes(5000 + i, static_cast<uint8_t>(i)));
    }
}

// Streams the store to `path` with an inbox of `count` mails, checkpointed.
uint32_t StreamInbox(writer::StoreBuilder& b, const std::string& path, int count) {
    EXPECT_TRUE(b.StreamTo(path));
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    AddMails(b, inbox, 0, count);
    EXPECT_TRUE(b.Checkpoint());
    return inbox;
}

TEST_F(WriterStream, StreamedInOneGoIsTheSameFileAsWrittenAtTheEnd) {
    auto make = [&](bool stream, const std::string& path) {
        writer::StoreBuilder b(writer::StoreOptions{});
        b.SetRecordKey(Bytes(16, 3));
        b.SetDefaultTime(writer::kDefaultFileTime);
        if (stream) {
            EXPECT_TRUE(b.StreamTo(path));
        }
        const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
        AddMails(b, inbox, 0, 40);
        b.Commit();
        AddMails(b, b.AddFolder(inbox, u"Sub"), 40, 40);
        EXPECT_TRUE(stream ? b.Finish() : b.WriteFile(path));
    };
    make(true, Path("streamed.pst"));
    make(false, Path("whole.pst"));
    // WriteFile after StreamTo: the same file under another spelling is
    // closed, another path gets a copy.
    {
        writer::StoreBuilder b(writer::StoreOptions{});
        ASSERT_TRUE(b.StreamTo(Path("again.pst")));
        AddMails(b, b.AddFolder(b.IpmSubtree(), u"Inbox"), 0, 5);
        EXPECT_TRUE(b.WriteFile((dir_ / "." / "again.pst").string()));
        EXPECT_TRUE(b.WriteFile(Path("copy.pst")));
        EXPECT_TRUE(testing_support::ReadWholeFile(Path("again.pst")) == testing_support::ReadWholeFile(Path("copy.pst")));
    }
    // Messages committed before StreamTo reach the file as well.
    {
        writer::StoreBuilder b(writer::StoreOptions{});
        const uint32_t early = b.AddFolder(b.IpmSubtree(), u"Early");
        AddMails(b, early, 0, 5);
        b.Commit();
        ASSERT_TRUE(b.StreamTo(Path("late.pst")));
        ASSERT_TRUE(b.Finish());
        const Bytes late = testing_support::ReadWholeFile(Path("late.pst"));
        EXPECT_EQ(StructuralProblems(late), "");
        EXPECT_EQ(Subjects(probe::Store(late), early).size(), 5u);
    }
    const Bytes streamed = testing_support::ReadWholeFile(Path("streamed.pst"));
    EXPECT_GT(streamed.size(), 100000u);
    EXPECT_TRUE(streamed == testing_support::ReadWholeFile(Path("whole.pst")));
}

// After every checkpoint a copy of the file is a whole store with every
// folder and message added so far, and nothing later.
TEST_F(WriterStream, EveryCheckpointLeavesAWholeStore) {
    for (Variant v : {Variant::Unicode, Variant::Ansi}) {
        SCOPED_TRACE(v == Variant::Unicode ? "unicode" : "ansi");
        writer::StoreOptions o;
        o.variant = v;
        writer::StoreBuilder b(o);
        const std::string path = Path(v == Variant::Unicode ? "grow-unicode.pst" : "grow-ansi.pst");
        ASSERT_TRUE(b.StreamTo(path));
        std::vector<uint32_t> folders;
        std::vector<int> counts;
        int next = 0;
        for (int batch = 0; batch < 5; ++batch) {
            folders.push_back(b.AddFolder(batch ? folders[batch - 1] : b.IpmSubtree(), Num(u"F", batch)));
            counts.push_back(0);
            for (int f = 0; f <= batch; ++f) {          // earlier folders grow too
                AddMails(b, folders[f], next, 7 + batch * 30);
                next += 7 + batch * 30;
                counts[f] += 7 + batch * 30;
            }
            ASSERT_TRUE(b.Checkpoint());
            const Bytes file = testing_support::ReadWholeFile(path);
            EXPECT_EQ(StructuralProblems(file), "");
            const probe::Store s(file);
            for (int f = 0; f <= batch; ++f) {
                ASSERT_TRUE(s.HasNode(folders[f]));
                EXPECT_EQ(Subjects(s, folders[f]).size(), size_t(counts[f]));
                EXPECT_EQ(s.NodeProperties(folders[f])[fmt::kPidContentCount].hnid, uint32_t(counts[f]));
            }
            EXPECT_EQ(s.NodeTable((folders[batch] & ~0x1Fu) | fmt::kNidTypeHierarchyTable).rows.size(), 0u);
            if (batch) {
                EXPECT_EQ(s.NodeTable((folders[batch - 1] & ~0x1Fu) | fmt::kNidTypeHierarchyTable).rows.size(), 1u);
            }
            // Adding goes on into the same file.
            b.AddMessage(folders[0], "IPM.Note").SetSubject(u"between");
            counts[0] += 1;
        }
        ASSERT_TRUE(b.Finish());
        const probe::Store s(testing_support::ReadWholeFile(path));
        EXPECT_EQ(Subjects(s, folders[0]).size(), size_t(counts[0]));
        EXPECT_FALSE(b.Checkpoint()) << "closed";
    }
}

// What a checkpoint rewrites (folder tables, B-tree pages) takes the
// room the previous version left once that one is no longer needed, so a
// store written in many small batches is not much larger than in one.
TEST_F(WriterStream, ManyCheckpointsReuseTheRoomOfWhatTheyReplace) {
    auto write = [&](int perBatch, const std::string& path) {
        writer::StoreBuilder b(writer::StoreOptions{});
        EXPECT_TRUE(b.StreamTo(path));
        const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
        for (int n = 0; n < 2000; n += perBatch) {
            AddMails(b, inbox, n, perBatch);
            EXPECT_TRUE(b.Checkpoint());
        }
        EXPECT_TRUE(b.Finish());
        return testing_support::ReadWholeFile(path);
    };
    const Bytes once = write(2000, Path("once.pst"));
    const Bytes often = write(10, Path("often.pst"));
    EXPECT_EQ(StructuralProblems(often), "");
    EXPECT_LT(often.size(), once.size() * 5 / 4) << once.size() << " in one batch";
    const probe::Store s(often);
    EXPECT_EQ(s.NodeProperties(0x80A2)[fmt::kPidContentCount].hnid, 2000u);
}

// The file as a sudden stop would leave it: copied in the middle of a
// batch whose messages are partly in the file already (on every platform;
// the test below kills a real process where fork exists).
TEST_F(WriterStream, ACopyTakenInABatchHoldsTheLastCheckpoint) {
    const std::string path = Path("live.pst");
    writer::StoreBuilder b(writer::StoreOptions{});
    const uint32_t inbox = StreamInbox(b, path, 60);
    AddMails(b, inbox, 60, 1500);            // megabytes: some reach the file
    b.Commit();
    b.AddFolder(b.IpmSubtree(), u"Never");
    const Bytes whole = testing_support::ReadWholeFile(path);
    const Bytes file(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(
                                                    whole.size(), fmt::LoadLe64(&whole[fmt::unicode::kRoot_ibFileEof]))));
    EXPECT_EQ(StructuralProblems(file), "");
    const probe::Store s(file);
    EXPECT_EQ(Subjects(s, inbox).size(), 60u);
    EXPECT_EQ(s.Children(0x2142).size(), 2u) << "Deleted Items and Inbox, not Never";
    ASSERT_TRUE(b.Finish());
    EXPECT_EQ(Subjects(probe::Store(testing_support::ReadWholeFile(path)), inbox).size(), 1560u);
}

// A checkpoint cut short just before its header: the file holds the new
// blocks, tables, B-tree pages and maps under the old header. Nothing the
// old state uses may have been written over, so the previous checkpoint
// still reads whole, and the maps still mark all it uses: a writer that
// trusts them never hands out space the old header points at.
TEST_F(WriterStream, ACheckpointCutBeforeItsHeaderKeepsThePreviousOne) {
    const std::string path = Path("cut.pst");
    writer::StoreBuilder b(writer::StoreOptions{});
    const uint32_t inbox = StreamInbox(b, path, 300);
    const Bytes before = testing_support::ReadWholeFile(path);
    AddMails(b, inbox, 300, 300);             // the contents table is written anew
    b.NodeDamage().stopBeforeHeader = true;
    ASSERT_FALSE(b.Checkpoint());
    const Bytes cut = testing_support::ReadWholeFile(path);
    ASSERT_GT(cut.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 0x4400, cut.begin())) << "the old header stays";
    EXPECT_EQ(Subjects(probe::Store(cut), inbox), Subjects(probe::Store(before), inbox));
    // (The file is longer than the old header says, and the maps hold the
    // new state's space too, as after any such cut.)
    ndbcheck::Store check(cut, false);
    std::string unmarked;
    for (const std::string& p : check.problems)
        if (p.compare(0, 5, "AMap ") == 0) unmarked += p + "\n";
    EXPECT_EQ(unmarked, "");
}

// A folder's row in its parent's hierarchy table and its subfolder flag
// follow what changes after a checkpoint: new mails, a new container
// class, a first subfolder (the flag is also a column of the row above).
TEST_F(WriterStream, ParentsShowWhatChangedAfterACheckpoint) {
    writer::StoreBuilder b(writer::StoreOptions{});
    ASSERT_TRUE(b.StreamTo(Path("later.pst")));
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
    const uint32_t other = b.AddFolder(b.IpmSubtree(), u"Other");
    const uint32_t notes = b.AddFolder(other, u"Notes");
    const uint32_t old = b.AddFolder(b.DeletedItems(), u"Old");
    AddMails(b, inbox, 0, 3);
    ASSERT_TRUE(b.Checkpoint());
    AddMails(b, inbox, 3, 4);
    b.FolderProperties(notes).SetString(fmt::kPidContainerClass, u"IPF.StickyNote");
    b.AddFolder(old, u"Older");
    ASSERT_TRUE(b.Checkpoint());

    const probe::Store s(testing_support::ReadWholeFile(Path("later.pst")));
    auto row = [&](uint32_t parent, uint32_t child) {
        probe::Table t = s.NodeTable((parent & ~0x1Fu) | fmt::kNidTypeHierarchyTable);
        for (auto& r : t.rows)
            if (probe::U32(r[0x67F20003].bytes) == child) return r;
        ADD_FAILURE() << "no row for " << child;
        return std::map<uint32_t, probe::Value>{};
    };
    EXPECT_EQ(probe::U32(row(b.IpmSubtree(), inbox)[0x36020003].bytes), 7u) << "content count";
    EXPECT_EQ(probe::Utf16(row(other, notes)[0x3613001F].bytes), u"IPF.StickyNote");
    EXPECT_EQ(s.NodeProperties(old)[fmt::kPidSubfolders].hnid, 1u);
    const Bytes flag = row(b.DeletedItems(), old)[0x360A000B].bytes;
    EXPECT_TRUE(!flag.empty() && flag[0] == 1) << "subfolders column";
}

// Attachment files are read when their message is committed, not when they
// are added: what the file holds then is stored, whatever its size was
// before; a missing one gives no data.
TEST_F(WriterStream, AttachmentFilesAreReadWhenTheirMessageIsCommitted) {
    auto writeFile = [](const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; };
    const fs::path changed = dir_ / "changed.txt", shrunk = dir_ / "shrunk.bin", missing = dir_ / "missing.bin";
    const std::string big(20000, 'x');
    writeFile(changed, "before");
    writeFile(shrunk, big);
    writer::StoreBuilder b(writer::StoreOptions{});
    writer::Message& m = b.AddMessage(b.AddFolder(b.IpmSubtree(), u"Inbox"), "IPM.Note");
    const uint32_t nid = m.nid();
    m.AddAttachmentFromFile(u"changed.txt", changed);
    m.AddAttachmentFromFile(u"shrunk.bin", shrunk);
    m.AddAttachmentFromFile(u"missing.bin", missing);
    writeFile(changed, "after!");
    writeFile(shrunk, "short");
    b.Commit();
    const probe::Store s(b.WriteMemory());
    const probe::NodeRef& node = s.Node(nid);
    std::vector<Bytes> data;
    for (const auto& sub : s.Subnodes(node.bidSub)) {
        if ((sub.first & 0x1F) != fmt::kNidTypeAttachment) continue;
        auto props = s.PropertyContext(sub.second.bidData, sub.second.bidSub);
        data.push_back(props.count(fmt::kPidAttachDataBinary) ? props[fmt::kPidAttachDataBinary].bytes : Bytes());
    }
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(std::string(data[0].begin(), data[0].end()), "after!");
    EXPECT_EQ(std::string(data[1].begin(), data[1].end()), "short");
    EXPECT_TRUE(data[2].empty());
}

// The store file is the writer's own: an existing file is never written
// over, and a second writer on the path of a live one is refused, with the
// system's reason, while the first goes on to a whole store.
TEST_F(WriterStream, TheFileIsCreatedNewAndNeverWrittenOver) {
    const std::string taken = Path("taken.pst");
    std::ofstream(taken, std::ios::binary) << "not a store";
    writer::StoreBuilder refused(writer::StoreOptions{});
    EXPECT_FALSE(refused.StreamTo(taken));
#ifdef _WIN32
    EXPECT_EQ(refused.FileErrorCode(), 80) << "ERROR_FILE_EXISTS";
#else
    EXPECT_EQ(refused.FileErrorCode(), EEXIST);
#endif
    EXPECT_NE(refused.FileError(), "");
    const Bytes kept = testing_support::ReadWholeFile(taken);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "not a store");

    const std::string path = Path("live.pst");
    writer::StoreBuilder first(writer::StoreOptions{});
    const uint32_t inbox = StreamInbox(first, path, 20);
    writer::StoreBuilder second(writer::StoreOptions{});
    EXPECT_FALSE(second.StreamTo(path));
    AddMails(first, inbox, 20, 20);
    ASSERT_TRUE(first.Finish());
    const Bytes file = testing_support::ReadWholeFile(path);
    EXPECT_EQ(StructuralProblems(file), "");
    EXPECT_EQ(Subjects(probe::Store(file), inbox).size(), 40u);
}

// A message stored again takes the place of its first version: one row in
// the folder's contents table with the new values, the new attachments, the
// counts unchanged; also when both versions go in between two checkpoints.
TEST_F(WriterStream, AMessageStoredAgainReplacesItsFirstVersion) {
    const std::string path = Path("again.pst");
    writer::StoreBuilder b(writer::StoreOptions{});
    const uint32_t inbox = StreamInbox(b, path, 3);
    writer::Message& first = b.AddReplaceableMessage(inbox, "IPM.Contact");
    const uint32_t nid = first.nid();
    first.SetSubject(u"first");
    first.AddAttachment(u"old.bin", Bytes(9000, 1));
    ASSERT_TRUE(b.Checkpoint());
    writer::Message& second = b.ReplaceMessage(nid, "IPM.Contact");
    EXPECT_EQ(second.nid(), nid);
    second.SetSubject(u"second");
    second.AddAttachment(u"new.bin", Bytes(7000, 2));
    writer::Message& quick = b.AddReplaceableMessage(inbox, "IPM.Contact");
    const uint32_t quickNid = quick.nid();
    quick.SetSubject(u"quick one");
    b.ReplaceMessage(quickNid, "IPM.Contact").SetSubject(u"quick two");
    EXPECT_THROW(b.ReplaceMessage(inbox, "IPM.Note"), std::invalid_argument) << "not a replaceable message";
    ASSERT_TRUE(b.Checkpoint());

    const Bytes file = testing_support::ReadWholeFile(path);
    EXPECT_EQ(StructuralProblems(file), "");
    const probe::Store s(file);
    const std::vector<std::u16string> want = {u"mail 0", u"mail 1", u"mail 2", u"quick two", u"second"};
    EXPECT_TRUE(Subjects(s, inbox) == want);
    EXPECT_EQ(s.NodeProperties(inbox)[fmt::kPidContentCount].hnid, 5u);
    std::vector<Bytes> data;
    for (const auto& sub : s.Subnodes(s.Node(nid).bidSub)) {
        if ((sub.first & 0x1F) != fmt::kNidTypeAttachment) continue;
        auto props = s.PropertyContext(sub.second.bidData, sub.second.bidSub);
        data.push_back(props[fmt::kPidAttachDataBinary].bytes);
    }
    ASSERT_EQ(data.size(), 1u);
    EXPECT_TRUE(data[0] == Bytes(7000, 2));
    ASSERT_TRUE(b.Finish());
}

#ifndef _WIN32
bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

int CountItems(const fs::path& dir) {
    if (!fs::is_directory(dir)) return 0;
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind("Message", 0) == 0) ++n;
    return n;
}

// A save driven item by item: every message with an attachment file
// committed on its own, a checkpoint when a folder is made and another when
// its messages are in. The many small commits and checkpoints leave the file
// about as large as the same messages in one folder written in one batch.
TEST_F(WriterStream, ItemByItemSavesIntoManyFoldersDoNotGrowTheFile) {
    const fs::path attachment = dir_ / "small.txt";
    std::ofstream(attachment, std::ios::binary) << std::string(2000, 'a');
    const int folders = 12, perFolder = 100;
    auto write = [&](bool itemByItem, const std::string& path) {
        writer::StoreBuilder b(writer::StoreOptions{});
        EXPECT_TRUE(b.StreamTo(path));
        EXPECT_TRUE(b.Checkpoint());
        uint32_t folder = 0;
        for (int i = 0; i < folders * perFolder; ++i) {
            if (i % perFolder == 0 && (itemByItem || i == 0)) {
                folder = b.AddFolder(b.IpmSubtree(), Num(u"Folder ", itemByItem ? i / perFolder : 0));
                if (itemByItem) {
                    EXPECT_TRUE(b.Checkpoint());
                }
            }
            writer::Message& m = b.AddMessage(folder, "IPM.Note");
            m.SetSubject(Num(u"mail ", i));
            m.SetBody(u"Body text of the mail");
            m.AddRecipient(u"Ann", u"ann@example.com");
            m.AddAttachmentFromFile(u"small.txt", attachment);
            if (itemByItem) b.Commit();
            if (itemByItem && i % perFolder == perFolder - 1) {
                EXPECT_TRUE(b.Checkpoint());
            }
        }
        EXPECT_TRUE(b.Finish());
        return testing_support::ReadWholeFile(path);
    };
    const Bytes once = write(false, Path("once.pst"));
    const std::string path = Path("saved.pst");
    const Bytes saved = write(true, path);
    EXPECT_EQ(StructuralProblems(saved), "");
    EXPECT_LT(saved.size(), once.size() * 5 / 4) << once.size() << " in one batch";

    if (!HaveTool("pffexport")) return;
    const std::string target = Path("saved-x");
    ASSERT_EQ(std::system(("pffexport -q -t '" + target + "' '" + path + "' >/dev/null 2>&1").c_str()), 0);
    const fs::path top = fs::path(target + ".export") / "Top of Personal Folders";
    for (int f = 0; f < folders; f += 5) {
        const std::u16string name = Num(u"Folder ", f);
        EXPECT_EQ(CountItems(top / std::string(name.begin(), name.end())), perFolder) << f;
    }
}

// One folder of thousands of mails, each committed on its own: its contents
// table, whose heap and rows go to the file in pieces as the table is
// built, holds every row at each checkpoint, and both readers list every
// mail.
TEST_F(WriterStream, AFolderOfThousandsOfMailsKeepsEveryRow) {
    const int kMails = 2000;
    const std::string path = Path("big-folder.pst");
    writer::StoreBuilder b(writer::StoreOptions{});
    ASSERT_TRUE(b.StreamTo(path));
    const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Big");
    std::vector<std::u16string> subjects;
    for (int i = 0; i < kMails; ++i) {
        writer::Message& m = b.AddMessage(folder, "IPM.Note");
        subjects.push_back(Num(u"a mail of the big folder, with a subject of some length, number ", i));
        m.SetSubject(subjects.back());
        m.SetSender(u"Bob Sender", u"bob@example.com");
        m.AddRecipient(i % 2 ? u"Ann \u00e9" : u"\u65e5\u672c", u"ann@example.com");
        m.SetTime(fmt::kPidMessageDeliveryTime, 0x01D5000000000000ull + uint64_t(i) * 10000000);
        b.Commit();
        if (i == kMails / 2 || i == kMails - 1) {
            ASSERT_TRUE(b.Checkpoint());
            const Bytes file = testing_support::ReadWholeFile(path);
            EXPECT_EQ(StructuralProblems(file), "");
            std::vector<std::u16string> want(subjects);
            std::sort(want.begin(), want.end());
            EXPECT_TRUE(Subjects(probe::Store(file), folder) == want) << i;
        }
    }
    ASSERT_TRUE(b.Finish());
    if (!HaveTool("pffexport")) return;
    const std::string target = Path("big-x");
    ASSERT_EQ(std::system(("pffexport -q -t '" + target + "' '" + path + "' >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(CountItems(fs::path(target + ".export") / "Top of Personal Folders" / "Big"), kMails);
}

// A disk that takes little (a file size limit stands in for it): the
// failure is reported with the system's reason, never a success.
TEST_F(WriterStream, AFullDiskMakesCheckpointAndFinishFail) {
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 64 << 10;
    void (*oldSignal)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    writer::StoreBuilder b(writer::StoreOptions{});
    const bool streaming = b.StreamTo(Path("full.pst"));
    AddMails(b, b.AddFolder(b.IpmSubtree(), u"Inbox"), 0, 50);
    const bool checkpoint = b.Checkpoint(), finish = b.Finish();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldSignal);
    ASSERT_TRUE(streaming);
    EXPECT_FALSE(checkpoint);
    EXPECT_FALSE(finish);
    EXPECT_EQ(b.FileError(), std::generic_category().message(EFBIG));
    writer::StoreBuilder c(writer::StoreOptions{});
    EXPECT_FALSE(c.StreamTo((dir_ / "no such folder" / "x.pst").string()));
    EXPECT_FALSE(c.Checkpoint()) << "not streaming";
    EXPECT_TRUE(c.WriteFile(Path("kept.pst"))) << "the store is still written whole";
}

// A writing process killed in the middle of a batch, after messages of the
// batch reached the file: the file opens with everything up to the last
// checkpoint, in the probe and in pffexport.
TEST_F(WriterStream, AProcessKilledInABatchLeavesTheLastCheckpoint) {
    const std::string path = Path("killed.pst");
    const std::string ready = Path("ready");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        writer::StoreBuilder b(writer::StoreOptions{});
        if (!b.StreamTo(path)) _exit(2);
        const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox");
        AddMails(b, inbox, 0, 50);
        if (!b.Checkpoint()) _exit(3);
        const uint32_t later = b.AddFolder(b.IpmSubtree(), u"Later");
        AddMails(b, later, 50, 20);
        AddMails(b, inbox, 70, 30);
        if (!b.Checkpoint()) _exit(3);
        // A batch cut short: its messages are in the file, no checkpoint.
        AddMails(b, inbox, 100, 400);
        b.Commit();
        b.AddFolder(b.IpmSubtree(), u"Never");
        AddMails(b, later, 500, 400);
        b.Commit();
        std::ofstream(ready) << "1";
        for (;;) pause();
    }
    for (int i = 0; i < 600 && !fs::exists(ready); ++i) usleep(50000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(fs::exists(ready)) << "the writer did not get to the cut";

    // The batch cut short lies past the end the header records; the store
    // itself is whole.
    const Bytes whole = testing_support::ReadWholeFile(path);
    const Bytes file(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(
                                                    std::min<size_t>(whole.size(), fmt::LoadLe64(&whole[fmt::unicode::kRoot_ibFileEof]))));
    EXPECT_GT(whole.size(), file.size());
    EXPECT_EQ(StructuralProblems(file), "");
    const probe::Store s(file);
    std::map<std::u16string, size_t> seen;
    for (uint32_t c : s.Children(0x2142)) {
        if ((c & 0x1F) != fmt::kNidTypeNormalFolder) continue;
        seen[probe::Utf16(s.NodeProperties(c)[fmt::kPidDisplayName].bytes)] = Subjects(s, c).size();
    }
    EXPECT_EQ(seen[u"Inbox"], 80u);
    EXPECT_EQ(seen[u"Later"], 20u);
    EXPECT_EQ(seen.count(u"Never"), 0u);

    if (!HaveTool("pffexport")) return;
    const std::string target = Path("killed-x");
    ASSERT_EQ(std::system(("pffexport -q -t '" + target + "' '" + path + "' >/dev/null 2>&1").c_str()), 0);
    const fs::path top = fs::path(target + ".export") / "Top of Personal Folders";
    EXPECT_EQ(CountItems(top / "Inbox"), 80);
    EXPECT_EQ(CountItems(top / "Later"), 20);
    EXPECT_FALSE(fs::exists(top / "Never"));
}
#endif

}  // namespace
