// Value types the program leans on: CString, CList, CTime and CFile.
#include "framework/framework.h"
#include <gtest/gtest.h>
#include <string>

TEST(FrameworkString, FormatUsesWideStringsForPercentS) {
    CString s;
    s.Format(L"%s has %d items (%hs) %c", L"Inbox", 42, "ansi", L'x');
    EXPECT_EQ(CString(L"Inbox has 42 items (ansi) x"), s);
    CString longText(L'a', 5000);
    s.Format(L"[%s]", longText.GetString());
    EXPECT_EQ(5002, s.GetLength());
    s.AppendFormat(L"%04X", 0x2a);
    EXPECT_EQ(CString(L"002A"), s.Mid(s.GetLength() - 4));
    CString name(L"Calendar");   // a CString argument is passed as its text
    s.Format(L"%s/%s:%d", name, L"x", 3);
    EXPECT_EQ(CString(L"Calendar/x:3"), s);
}

TEST(FrameworkString, SubstringsClampToTheText) {
    CString s(L"C:\\Stores\\mail.ost");
    EXPECT_EQ(CString(L"C:"), s.Left(2));
    EXPECT_EQ(CString(), s.Left(-1));
    EXPECT_EQ(CString(L"mail.ost"), s.Mid(s.ReverseFind(L'\\') + 1));
    EXPECT_EQ(CString(), s.Mid(100));
    EXPECT_EQ(CString(L"Stores"), s.Mid(3, 6));
    EXPECT_EQ(CString(L"C:\\"), s.Mid(-5, 3));
    EXPECT_EQ(-1, s.Find(L'z'));
    EXPECT_EQ(-1, s.Find(L'C', 100));
    EXPECT_EQ(3, s.Find(L"Stores"));
    EXPECT_EQ(L'\0', s.GetAt(100));
}

TEST(FrameworkString, ReplaceDoesNotRescanWhatItPutIn) {
    CString s(L"a-b-c");
    EXPECT_EQ(2, s.Replace(L"-", L"--"));
    EXPECT_EQ(CString(L"a--b--c"), s);
    EXPECT_EQ(4, s.Replace(L'-', L'\0'));   // a filter's separators
    EXPECT_EQ(7, s.GetLength());             // embedded zeros are kept
}

TEST(FrameworkString, BufferAccessAndConversions) {
    CString s;
    wcscpy(s.GetBufferSetLength(10), L"abc");
    s.ReleaseBuffer();
    EXPECT_EQ(3, s.GetLength());
    s.GetBufferSetLength(2);
    s.ReleaseBuffer(2);
    EXPECT_EQ(CString(L"ab"), s);
    EXPECT_EQ(CString(L"plain"), CString("plain"));
    EXPECT_EQ(CString(), CString(""));
    EXPECT_TRUE(CString(L"Abc").CompareNoCase(L"aBC") == 0);
}

TEST(FrameworkList, AddedAtTheTailAndWalkedFromTheHead) {
    CList<int, int> list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    for (int i = 1; i <= 3; ++i) list.AddTail(i);
    EXPECT_FALSE(list.IsEmpty());
    std::wstring seen;
    for (POSITION pos = list.GetHeadPosition(); pos;) seen += std::to_wstring(list.GetNext(pos)) + L",";
    EXPECT_EQ(L"1,2,3,", seen);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    list.AddTail(5);   // usable after RemoveAll
    POSITION pos = list.GetHeadPosition();
    EXPECT_EQ(5, list.GetNext(pos));
    EXPECT_EQ(nullptr, pos);
}

TEST(FrameworkTime, LocalFieldsAndSystemTimesGiveTheSameTime) {
    SYSTEMTIME st{};
    st.wYear = 2010;
    st.wMonth = 3;
    st.wDay = 4;
    st.wHour = 5;
    st.wMinute = 6;
    st.wSecond = 7;
    EXPECT_EQ(CTime(2010, 3, 4, 5, 6, 7).GetTime(), CTime(st).GetTime());
    EXPECT_EQ(CTime(2010, 3, 4, 5, 6, 8).GetTime(), CTime(st).GetTime() + 1);
}

TEST(FrameworkTime, InvalidFieldsGiveNoTime) {
    EXPECT_EQ(-1, (long long)CTime(1960, 1, 1, 0, 0, 0).GetTime());
    SYSTEMTIME zero{};
    EXPECT_EQ(0, (long long)CTime(zero).GetTime());   // a year before 1900
}

TEST(FrameworkFile, WriteReadSeekAndReportFailuresByValue) {
    wchar_t dir[MAX_PATH], path[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, L"fwf", 0, path);
    {
        CFile f;
        ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite));
        EXPECT_TRUE(f.Write("hello world", 11));
        EXPECT_EQ(11u, f.GetLength());
        EXPECT_EQ(6u, f.Seek(6, CFile::begin));
        char buf[16] = {};
        EXPECT_EQ(5u, f.Read(buf, sizeof(buf)));
        EXPECT_STREQ("world", buf);
        EXPECT_EQ(0u, f.Read(buf, sizeof(buf)));   // at the end
    }
    {
        CFile f;   // modeCreate truncates; modeNoTruncate keeps
        ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeRead));
        EXPECT_EQ(11u, f.GetLength());
    }
    {
        CFile f;
        ASSERT_TRUE(f.Open(path, CFile::modeRead | CFile::shareExclusive));
        CFile second;
        EXPECT_FALSE(second.Open(path, CFile::modeRead));   // sharing violation, no exception
        EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, ::GetLastError());
        EXPECT_FALSE(second.Write("x", 1));
        EXPECT_EQ(0u, second.Read(nullptr, 1));
    }
    EXPECT_TRUE(::DeleteFileW(path));
    CFile missing;
    EXPECT_FALSE(missing.Open(path, CFile::modeRead));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, ::GetLastError());
}
