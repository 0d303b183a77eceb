// A save in several batches whose process is killed in the middle of one:
// the store on disk still opens with everything up to the last EndBatch.
// The save runs in a child process (this program again, running only the
// child case) that the test kills once it is inside its third batch.
#include <gtest/gtest.h>

#include "components_test_support.h"
#include "reader/ndb.h"
#include "reader_item_test_support.h"

namespace ct = components_test;

namespace {

const wchar_t kStoreName[] = L"Batches store";
const wchar_t kStoreVar[] = L"COMPONENTS_BATCH_STORE";
const wchar_t kMarkVar[] = L"COMPONENTS_BATCH_MARK";

std::wstring Variable(const wchar_t* name) {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH * 2);
    return n && n < MAX_PATH * 2 ? std::wstring(buf, n) : std::wstring();
}

void SaveMails(ct::ItemWriterDriver& w, const std::wstring& folder, const std::wstring& header, const wchar_t* prefix, int count) {
    for (int i = 1; i <= count; ++i)
        w.SaveMail(folder, prefix + std::to_wstring(i), L"Ann Lee", header, L"6/5/2012 10:00 AM", L"", L"body", 0);
}

// Items per folder as the program's own reader loads the store.
std::map<std::string, int> ReaderCounts(const std::wstring& pst) {
    return item_test::LoadedStore(pst).ItemCountsByPath();
}

}  // namespace

// The child: two whole batches, then a third that never ends.
TEST(ComponentsBatchesChild, DISABLED_SavesUntilKilled) {
    const std::wstring pst = Variable(kStoreVar), mark = Variable(kMarkVar);
    ASSERT_FALSE(pst.empty() || mark.empty());
    CoInitialize(nullptr);
    ct::ItemWriterDriver w;
    ASSERT_TRUE(w.CreateDispatch(L"loomcraft.Class1"));
    const std::wstring root = std::wstring(L"\\\\") + kStoreName, header = pst + L".eml";
    ct::WriteBytes(header, "From:Bob<bob@example.com>\r\n");
    w.BeginBatch();
    w.CreateStore(pst, kStoreName);
    w.EndBatch();
    w.BeginBatch();
    w.CreateFolder(root + L"\\First");
    w.OpenFolder(root + L"\\First");
    SaveMails(w, root + L"\\First", header, L"first ", 3);
    w.CloseFolder();
    w.EndBatch();
    w.BeginBatch();
    w.CreateFolder(root + L"\\Second");
    SaveMails(w, root + L"\\Second", header, L"second ", 2);
    w.EndBatch();
    w.BeginBatch();
    w.CreateFolder(root + L"\\Third");
    SaveMails(w, root + L"\\First", header, L"late ", 2);
    SaveMails(w, root + L"\\Third", header, L"third ", 2);
    ct::WriteBytes(mark, "inside the third batch");
    Sleep(INFINITE);
}

TEST(ComponentsBatches, AStoreKilledInTheMiddleOfABatchKeepsEveryBatchBeforeIt) {
    CoInitialize(nullptr);
    ct::RegisteredComponents registered;
    ct::ScratchFolder scratch(L"components-batches");
    const std::wstring pst = scratch / L"batches.pst", mark = scratch / L"mark.txt";
    SetEnvironmentVariableW(kStoreVar, pst.c_str());
    SetEnvironmentVariableW(kMarkVar, mark.c_str());
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(ct::StartChildTest(L"ComponentsBatchesChild.DISABLED_SavesUntilKilled", pi));
    SetEnvironmentVariableW(kStoreVar, nullptr);
    SetEnvironmentVariableW(kMarkVar, nullptr);
    bool inside = false;
    for (int waited = 0; waited < 60000 && !inside; waited += 20) {
        inside = ct::Exists(mark);
        if (!inside && WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_TRUE(inside) << "the child never reached its third batch";

    const std::map<std::string, int> counts = ReaderCounts(pst);
    EXPECT_EQ(counts.count("First") ? counts.at("First") : -1, 3);
    EXPECT_EQ(counts.count("Second") ? counts.at("Second") : -1, 2);
    EXPECT_EQ(counts.count("Third"), 0u);

    if (!ct::HaveNativeTools()) GTEST_SKIP() << "not under Wine, or the independent readers are not installed";
    std::string log;
    std::map<std::string, int> readpst = ct::ReadpstCounts(pst, scratch, L"readpst", &log);
    EXPECT_EQ(readpst["First"], 3) << log;
    EXPECT_EQ(readpst["Second"], 2) << log;
    EXPECT_EQ(readpst.count("Third"), 0u) << log;
    const std::wstring top = ct::PffExport(pst, scratch, L"pff");
    EXPECT_TRUE(ct::Exists(top + L"\\First\\Message00003"));
    EXPECT_FALSE(ct::Exists(top + L"\\First\\Message00004"));
    EXPECT_TRUE(ct::Exists(top + L"\\Second\\Message00002"));
    EXPECT_FALSE(ct::Exists(top + L"\\Third"));
}
