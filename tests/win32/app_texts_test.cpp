// The shell's texts and small helpers: the store path label, the save
// destination, the registry read and PATH for Help.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/MainFrm.h"
#include "app/PathTexts.h"
#include "app/Registry.h"

namespace {

std::wstring Str(const CString& s) { return std::wstring(static_cast<const wchar_t*>(s)); }

}  // namespace

TEST(AppPathTexts, StorePathLabelCutsAfterFortyCharacters) {
    const std::wstring forty = L"C:\\STORES\\" + std::wstring(26, L'A') + L".OST";
    ASSERT_EQ(forty.size(), 40u);
    EXPECT_EQ(Str(ShownStorePath(forty.c_str())), L" " + forty);

    const std::wstring fortyOne = L"C:\\STORES\\" + std::wstring(27, L'A') + L".OST";
    EXPECT_EQ(Str(ShownStorePath(fortyOne.c_str())), L" " + fortyOne.substr(0, 40) + L"...");
    EXPECT_EQ(Str(ShownStorePath(L"")), L" ");
}

TEST(AppPathTexts, UpperCasesOnlyLettersAToZ) {
    EXPECT_EQ(Str(UpperAsciiLetters(L"c:\\mail\\b\u00e4r-\u00e9t\u00e9 2024.ost")), L"C:\\MAIL\\B\u00e4R-\u00e9T\u00e9 2024.OST");
}

TEST(AppPathTexts, RecoveryFolderIsInsideTheDestination) {
    EXPECT_EQ(Str(RecoveryFolderFor(L"D:\\")), L"D:\\QMRecoveredPst\\");
    EXPECT_EQ(Str(RecoveryFolderFor(L"C:\\backup")), L"C:\\backup\\QMRecoveredPst\\");
    EXPECT_EQ(Str(RecoveryFolderFor(L"C:\\backup\\")), L"C:\\backup\\QMRecoveredPst\\");
}

class AppRegistry : public ::testing::Test {
protected:
    const wchar_t* kKey = L"Software\\TarnwellTests\\Registry";
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TarnwellTests"); }
    void Write(const wchar_t* name, const void* data, DWORD bytes, DWORD type = REG_SZ) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, kKey, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        RegCloseKey(key);
    }
};

TEST_F(AppRegistry, ReadsTheValueOrGivesEmptyText) {
    EXPECT_EQ(Str(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"FilePath")), L"");  // no key
    const wchar_t folder[] = L"C:\\Program Files\\Quillmere";
    Write(L"FilePath", folder, sizeof(folder));
    EXPECT_EQ(Str(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"FilePath")), folder);
    EXPECT_EQ(Str(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"Other")), L"");  // no value
}

TEST_F(AppRegistry, ValueLongerThanTheBufferGivesEmptyText) {
    std::wstring longText(300, L'x');
    Write(L"FilePath", longText.c_str(), static_cast<DWORD>((longText.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(Str(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"FilePath")), L"");
}

TEST_F(AppRegistry, ValueWithoutTerminatorOfFullLengthStaysInsideTheBuffer) {
    std::wstring full(260, L'y');  // exactly 520 bytes, no terminating zero
    Write(L"FilePath", full.c_str(), 520, REG_BINARY);
    EXPECT_EQ(Str(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"FilePath")), full);
}

TEST(AppHelpPath, EachUseAppendsTheFolderOnceMore) {
    wchar_t saved[8192] = L"";
    DWORD savedLength = GetEnvironmentVariableW(L"PATH", saved, 8192);
    ASSERT_GT(savedLength, 0u);
    SetEnvironmentVariableW(L"PATH", L"C:\\windows");
    EXPECT_EQ(Str(AppendFolderToPath(L"C:\\Q")), L"C:\\windows;C:\\Q;");
    EXPECT_EQ(Str(AppendFolderToPath(L"C:\\Q")), L"C:\\windows;C:\\Q;;C:\\Q;");
    // A value longer than 2048 units is kept whole.
    std::wstring longPath(5000, L'p');
    SetEnvironmentVariableW(L"PATH", longPath.c_str());
    EXPECT_EQ(Str(AppendFolderToPath(L"C:\\Q")), longPath + L";C:\\Q;");
    SetEnvironmentVariableW(L"PATH", saved);
}
