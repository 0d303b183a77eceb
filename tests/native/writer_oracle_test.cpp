// Stores made by the writer, opened by the independent readers pffinfo,
// pffexport and readpst: every variant, encoding and file kind must open
// without errors and show every folder, item, text and attachment.
// Skipped where the readers are not installed.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "format/props.h"
#include "writer/msg_items.h"
#include "writer/store_builder.h"

namespace {

namespace fs = std::filesystem;
using writer::Bytes;
using writer::Variant;

bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a command; its exit status, and its standard output (and error,
// unless the caller parses the output line by line).
int RunTool(const std::string& command, std::string& output, bool withErrors = true) {
    output.clear();
    FILE* p = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

Bytes BigPattern() {
    Bytes b(50000);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 13 + 1);
    return b;
}

const char kRtf[] = "{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Arial;}}\\f0 Rich text body\\par}";

// One store with every kind of item the program knows.
void WriteRichStore(const writer::StoreOptions& options, const std::string& path) {
    writer::StoreBuilder b(options);
    const uint32_t top = b.IpmSubtree();
    const uint32_t inbox = b.AddFolder(top, u"Inbox", "IPF.Note");
    const uint32_t sub = b.AddFolder(inbox, u"Sub", "IPF.Note");
    const uint32_t calendar = b.AddFolder(top, u"Calendar", "IPF.Appointment");
    const uint32_t contacts = b.AddFolder(top, u"Contacts", "IPF.Contact");
    const uint32_t tasks = b.AddFolder(top, u"Tasks", "IPF.Task");
    const uint32_t notes = b.AddFolder(top, u"Notes", "IPF.StickyNote");
    const uint32_t journal = b.AddFolder(top, u"Journal", "IPF.Journal");

    writer::Message& plain = b.AddMessage(inbox, "IPM.Note");
    plain.SetSubject(u"Plain mail Gr\u00fc\u00dfe");
    plain.SetSender(u"Bob", u"bob@example.com");
    plain.AddRecipient(u"Ann", u"ann@example.com", 1);
    plain.AddRecipient(u"Cid", u"cid@example.com", 2);
    plain.SetBody(u"Hello plain body");
    const std::string small = "Hello attachment";
    plain.AddAttachment(u"hello.txt", Bytes(small.begin(), small.end()));
    plain.AddAttachment(u"big.bin", BigPattern());
    plain.AddEmbeddedMessage(u"Forwarded note", "IPM.Note").SetBody(u"inner body");

    writer::Message& html = b.AddMessage(inbox, "IPM.Note");
    html.SetSubject(u"Html mail");
    html.SetHtmlBody("<html><body><p>Hi there</p></body></html>");
    html.SetRead(false);

    writer::Message& report = b.AddMessage(inbox, "REPORT.IPM.Note.NDR");
    report.SetSubject(u"Undeliverable: Plain mail");

    writer::Message& rtf = b.AddMessage(sub, "IPM.Note");
    rtf.SetSubject(u"Rtf mail");
    rtf.SetRtfBody(kRtf);

    writer::Message& meeting = b.AddMessage(calendar, "IPM.Appointment");
    meeting.SetSubject(u"Meeting");
    writer::SetAppointment(meeting, 0x01D5C0FFEE000000ull, 0x01D5C10000000000ull, u"Room 1");
    writer::SetReminder(meeting, 15, 0x01D5C0FFEE000000ull);

    writer::Message& contact = b.AddMessage(contacts, "IPM.Contact");
    writer::SetContact(contact, u"Ann", u"Smith", u"ann@example.com");

    writer::Message& task = b.AddMessage(tasks, "IPM.Task");
    task.SetSubject(u"Do things");
    writer::SetTask(task, 1, false);
    writer::Message& note = b.AddMessage(notes, "IPM.StickyNote");
    note.SetBody(u"A sticky note");
    writer::SetNoteColor(note, 3);
    writer::Message& call = b.AddMessage(journal, "IPM.Activity");
    call.SetSubject(u"Phone call");
    writer::SetJournal(call, u"Phone call", u"Phone call", 0x01D5C0FFEE000000ull, 0x01D5C10000000000ull);
    call.SetString(call.Named(writer::kPsPublicStrings, u"Keywords"), u"oracle");
    ASSERT_TRUE(b.WriteFile(path));
}

class WriterOracle : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("writer_oracle_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

struct Config {
    Variant variant;
    uint8_t crypt;
    bool ost;
    std::string Name() const {
        return std::string(variant == Variant::Unicode ? "unicode" : "ansi") + "-crypt" +
               std::to_string(crypt) + (ost ? ".ost" : ".pst");
    }
};

std::vector<Config> AllConfigs() {
    std::vector<Config> out;
    for (Variant v : {Variant::Unicode, Variant::Ansi})
        for (uint8_t crypt : {0, 1, 2})
            for (bool ost : {false, true}) out.push_back({v, crypt, ost});
    return out;
}

TEST_F(WriterOracle, PffinfoAndPffexportShowEveryFolderItemAndText) {
    if (!HaveTool("pffinfo") || !HaveTool("pffexport")) GTEST_SKIP() << "pff-tools not installed";
    for (const Config& c : AllConfigs()) {
        SCOPED_TRACE(c.Name());
        const fs::path store = dir_ / c.Name();
        WriteRichStore(writer::StoreOptions{c.variant, c.crypt, c.ost}, store.string());
        std::string out;
        ASSERT_EQ(RunTool("pffinfo '" + store.string() + "'", out), 0) << out;
        EXPECT_NE(out.find(c.ost ? "Offline Storage Tables" : "Personal Storage Tables"), std::string::npos) << out;
        EXPECT_NE(out.find(c.variant == Variant::Unicode ? "64-bit" : "32-bit"), std::string::npos) << out;
        const char* crypt[] = {"none", "compressible", "high"};
        EXPECT_NE(out.find(crypt[c.crypt]), std::string::npos) << out;

        const fs::path target = dir_ / (c.Name() + "-x");
        ASSERT_EQ(RunTool("pffexport -q -m all -f all -t '" + target.string() + "' '" + store.string() + "'", out), 0) << out;
        const fs::path top = fs::path(target.string() + ".export") / "Top of Personal Folders";
        for (const char* folder : {"Inbox", "Inbox/Sub", "Calendar", "Contacts", "Tasks", "Notes", "Journal", "Deleted Items"})
            EXPECT_TRUE(fs::is_directory(top / folder)) << folder;
        for (const char* item : {"Inbox/Message00001", "Inbox/Message00002", "Inbox/Message00003",
                                 "Inbox/Sub/Message00001", "Calendar/Appointment00001", "Contacts/Contact00001",
                                 "Tasks/Task00001", "Notes/Note00001", "Journal/Activity00001"})
            EXPECT_TRUE(fs::is_directory(top / item)) << item;
        EXPECT_FALSE(fs::exists(top / "Inbox/Message00004"));
        EXPECT_FALSE(fs::exists(target.string() + ".recovered/Message00001")) << "nothing orphaned";

        const fs::path plain = top / "Inbox/Message00001";
        EXPECT_NE(ReadText(plain / "OutlookHeaders.txt").find("Plain mail Gr\xC3\xBC\xC3\x9F" "e"), std::string::npos);
        EXPECT_EQ(ReadText(plain / "Message.txt").substr(0, 16), "Hello plain body");
        EXPECT_EQ(ReadText(plain / "Attachments/1_hello.txt"), "Hello attachment");
        const std::string big = ReadText(plain / "Attachments/2_big.bin");
        const Bytes expect = BigPattern();
        EXPECT_TRUE(big.size() == expect.size() && std::equal(expect.begin(), expect.end(), big.begin(),
                                                              [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
        EXPECT_EQ(ReadText(plain / "Attachments/Attachment00003/Message00001/Message.txt").substr(0, 10), "inner body");
        const std::string recipients = ReadText(plain / "Recipients.txt");
        EXPECT_NE(recipients.find("ann@example.com"), std::string::npos);
        EXPECT_NE(recipients.find("cid@example.com"), std::string::npos);
        EXPECT_EQ(ReadText(top / "Inbox/Message00002/Message.html").substr(0, 41), "<html><body><p>Hi there</p></body></html>");
        EXPECT_EQ(ReadText(top / "Inbox/Sub/Message00001/Message.rtf").substr(0, sizeof kRtf - 1), kRtf);
    }
}

TEST_F(WriterOracle, ReadpstReadsEveryFolderAndItem) {
    if (!HaveTool("readpst")) GTEST_SKIP() << "readpst not installed";
    for (const Config& c : AllConfigs()) {
        SCOPED_TRACE(c.Name());
        const fs::path store = dir_ / c.Name();
        WriteRichStore(writer::StoreOptions{c.variant, c.crypt, c.ost}, store.string());
        const fs::path target = dir_ / (c.Name() + "-r");
        fs::create_directories(target);
        std::string out;
        ASSERT_EQ(RunTool("readpst -j 0 -D -o '" + target.string() + "' '" + store.string() + "'", out, false), 0) << out;
        // "N items done, M items skipped" per folder; folders count as items,
        // tasks and sticky notes are types readpst does not write.
        int done = 0, skipped = 0;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) {
            int d = 0, s = 0;
            const size_t at = line.find(" - ");
            if (at != std::string::npos && std::sscanf(line.c_str() + at, " - %d items done, %d items skipped", &d, &s) == 2) {
                done += d;
                skipped += s;
            }
        }
        EXPECT_EQ(done, 8 + 7) << out;        // 8 folders under the top folder's tree, 7 written items
        EXPECT_EQ(skipped, 2) << out;
        const std::string inbox = ReadText(target / "Inbox.mbox");
        EXPECT_NE(inbox.find("Subject: Html mail"), std::string::npos);
        EXPECT_NE(inbox.find("Hello plain body"), std::string::npos);
        EXPECT_NE(inbox.find("hello.txt"), std::string::npos);
        EXPECT_NE(ReadText(target / "Sub.mbox").find("Subject: Rtf mail"), std::string::npos);
        EXPECT_NE(ReadText(target / "Contacts.contacts").find("ann@example.com"), std::string::npos);
        EXPECT_NE(ReadText(target / "Calendar.calendar").find("Meeting"), std::string::npos);
    }
}


// FNV-1a: enough to tell attachment contents apart.
uint64_t Hash(const std::string& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string Pattern(size_t size, unsigned seed) {
    std::string s(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13; x ^= x >> 17; x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

// A mail whose recipient and attachment tables are too large for a heap
// (their rows move to subnodes), names beyond the Basic Multilingual Plane,
// and attachments read from files of every size class (empty, in the heap,
// one block, a data tree, a two-level data tree). pffexport and readpst
// must show every recipient and every attachment with its exact bytes.
TEST_F(WriterOracle, LargeTablesAndFileAttachmentsReachBothReaders) {
    const bool pff = HaveTool("pffexport"), rp = HaveTool("readpst");
    if (!pff && !rp) GTEST_SKIP() << "no reader installed";
    const int kRecipients = 100, kAttachments = 300;
    const std::u16string smile = u"\U0001F600";
    std::map<std::string, uint64_t> expected;      // attachment file name -> hash
    writer::StoreBuilder b(writer::StoreOptions{});
    const std::string path = (dir_ / "large.pst").string();
    ASSERT_TRUE(b.StreamTo(path));
    const uint32_t inbox = b.AddFolder(b.IpmSubtree(), u"Inbox " + smile);
    writer::Message& m = b.AddMessage(inbox, "IPM.Note");
    m.SetSubject(u"Many " + smile);
    m.SetSender(u"Bob " + smile, u"bob@example.com");
    m.SetBody(u"body");
    for (int i = 0; i < kRecipients; ++i) {
        const std::string n = std::to_string(i);
        m.AddRecipient(u"R" + std::u16string(n.begin(), n.end()) + smile,
                       u"r" + std::u16string(n.begin(), n.end()) + u"@example.com", 1 + i % 3);
    }
    const size_t fileSizes[] = {0, 100, 3000, 8176, 20000, 3 << 20, 9 << 20};
    for (int i = 0; i < kAttachments; ++i) {
        const std::string name = "a" + std::to_string(i) + ".bin";
        std::string data;
        if (i < 7) {
            data = Pattern(fileSizes[i], i);
            const fs::path file = dir_ / name;
            std::ofstream(file, std::ios::binary) << data;
            m.AddAttachmentFromFile(std::u16string(name.begin(), name.end()), file);
        } else {
            data = Pattern(10 + i * 7, i);
            m.AddAttachment(std::u16string(name.begin(), name.end()), Bytes(data.begin(), data.end()));
        }
        expected[name] = Hash(data);
    }
    ASSERT_TRUE(b.Finish());

    std::string out;
    if (pff) {
        const fs::path target = dir_ / "large-x";
        ASSERT_EQ(RunTool("pffexport -q -f all -t '" + target.string() + "' '" + path + "'", out), 0) << out;
        // pffexport spells characters beyond the BMP wrongly in what it
        // prints (readpst below checks them): find the folder by its start.
        fs::path msg;
        for (const auto& e : fs::directory_iterator(fs::path(target.string() + ".export") / "Top of Personal Folders"))
            if (e.path().filename().string().rfind("Inbox ", 0) == 0) msg = e.path() / "Message00001";
        ASSERT_TRUE(fs::is_directory(msg)) << out;
        const std::string recipients = ReadText(msg / "Recipients.txt");
        for (int i = 0; i < kRecipients; ++i)
            EXPECT_NE(recipients.find("r" + std::to_string(i) + "@example.com"), std::string::npos) << i;
        std::map<std::string, uint64_t> seen;
        if (fs::is_directory(msg / "Attachments"))
            for (const auto& e : fs::directory_iterator(msg / "Attachments")) {
                const std::string n = e.path().filename().string();      // "<index>_<name>"
                seen[n.substr(n.find('_') + 1)] = Hash(ReadText(e.path()));
            }
        // The empty attachment has no data to export.
        std::map<std::string, uint64_t> want = expected;
        want.erase("a0.bin");
        seen.erase("a0.bin");
        EXPECT_EQ(seen.size(), want.size());
        for (const auto& w : want) EXPECT_EQ(seen[w.first], w.second) << w.first;
    }
    if (rp) {
        const fs::path target = dir_ / "large-r";
        fs::create_directories(target);
        ASSERT_EQ(RunTool("readpst -D -o '" + target.string() + "' '" + path + "'", out, false), 0) << out;
        const std::string mbox = ReadText(target / "Inbox \xF0\x9F\x98\x80.mbox");
        EXPECT_NE(mbox.find("Subject: =?utf-8?B?TWFueSDwn5iA?="), std::string::npos) << "Many + U+1F600";
        EXPECT_NE(mbox.find("From: =?utf-8?B?Qm9iIPCfmIA=?= <bob@example.com>"), std::string::npos);
        // Every attachment with data (readpst leaves out the empty one);
        // recipients it takes from the display lists, not the table.
        int names = 0;
        for (const auto& entry : expected)
            names += mbox.find("filename=\"" + entry.first + "\"") != std::string::npos;
        EXPECT_EQ(names, kAttachments - 1);
    }
}

}  // namespace

#else

TEST(WriterOracle, NotOnWindows) { GTEST_SKIP() << "the independent readers run natively only"; }

#endif
