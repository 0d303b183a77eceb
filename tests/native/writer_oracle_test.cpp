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

}  // namespace

#else

TEST(WriterOracle, NotOnWindows) { GTEST_SKIP() << "the independent readers run natively only"; }

#endif
