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
    EXPECT_EQ(CString(L"002A"), s.Right(4));
    CString name(L"Calendar");   // a CString argument is passed as its text
    s.Format(L"%s/%s:%d", name, L"x", 3);
    EXPECT_EQ(CString(L"Calendar/x:3"), s);
}

TEST(FrameworkString, SubstringsClampToTheText) {
    CString s(L"C:\\Stores\\mail.ost");
    EXPECT_EQ(CString(L"C:"), s.Left(2));
    EXPECT_EQ(CString(L"ost"), s.Right(3));
    EXPECT_EQ(s, s.Right(100));
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

TEST(FrameworkString, EditingOperations) {
    CString s(L"  a-b-c  ");
    s.Trim();
    EXPECT_EQ(CString(L"a-b-c"), s);
    EXPECT_EQ(2, s.Replace(L"-", L"--"));
    EXPECT_EQ(CString(L"a--b--c"), s);
    EXPECT_EQ(4, s.Remove(L'-'));
    s.MakeUpper();
    EXPECT_EQ(CString(L"ABC"), s);
    s.Insert(1, L"x");
    s.Delete(0);
    EXPECT_EQ(CString(L"xBC"), s);
    int pos = 0;
    CString list(L"one;two;;three");
    EXPECT_EQ(CString(L"one"), list.Tokenize(L";", pos));
    EXPECT_EQ(CString(L"two"), list.Tokenize(L";", pos));
    EXPECT_EQ(CString(L"three"), list.Tokenize(L";", pos));
    list.Tokenize(L";", pos);
    EXPECT_EQ(-1, pos);
}

TEST(FrameworkString, BufferAccessAndConversions) {
    CString s;
    wchar_t* p = s.GetBuffer(10);
    wcscpy(p, L"abc");
    s.ReleaseBuffer();
    EXPECT_EQ(3, s.GetLength());
    s.GetBufferSetLength(2);
    s.ReleaseBuffer(2);
    EXPECT_EQ(CString(L"ab"), s);
    EXPECT_EQ(CString(L"plain"), CString("plain"));
    CString withZero(std::wstring(L"a\0b", 3));
    EXPECT_EQ(3, withZero.GetLength());   // embedded zeros are kept (filters)
    BSTR b = CString(L"bstr").AllocSysString();
    EXPECT_EQ(4u, ::SysStringLen(b));
    ::SysFreeString(b);
    EXPECT_TRUE(CString(L"Abc").CompareNoCase(L"aBC") == 0);
    EXPECT_TRUE(CString(L"a") < CString(L"b"));
}

TEST(FrameworkList, PositionsWalkAndRemoveInOrder) {
    CList<int, int> list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    list.AddTail(2);
    list.AddTail(3);
    list.AddHead(1);
    POSITION p3 = list.Find(3);
    ASSERT_NE(nullptr, p3);
    list.InsertBefore(p3, 25);
    list.InsertAfter(p3, 4);
    std::wstring seen;
    for (POSITION pos = list.GetHeadPosition(); pos;) seen += std::to_wstring(list.GetNext(pos)) + L",";
    EXPECT_EQ(L"1,2,25,3,4,", seen);
    list.RemoveAt(list.Find(25));
    list.RemoveAt(list.GetHeadPosition());
    list.RemoveAt(list.GetTailPosition());
    EXPECT_EQ(2, list.GetCount());
    EXPECT_EQ(2, list.GetHead());
    EXPECT_EQ(3, list.GetTail());
    EXPECT_EQ(nullptr, list.Find(99));
    EXPECT_EQ(nullptr, list.FindIndex(2));
    EXPECT_EQ(3, list.GetAt(list.FindIndex(1)));
    list.RemoveAll();
    EXPECT_EQ(0, list.GetCount());
    list.AddTail(5);   // usable after RemoveAll
    EXPECT_EQ(5, list.RemoveHead());
    EXPECT_TRUE(list.IsEmpty());
}

TEST(FrameworkTime, LocalFieldsRoundTrip) {
    CTime t(2010, 3, 4, 5, 6, 7);   // local fields
    SYSTEMTIME st{};
    ASSERT_TRUE(t.GetAsSystemTime(st));
    EXPECT_EQ(2010, st.wYear);
    EXPECT_EQ(3, st.wMonth);
    EXPECT_EQ(4, st.wDay);
    EXPECT_EQ(7, st.wSecond);
    EXPECT_EQ(5, t.GetDayOfWeek());   // Thursday
    EXPECT_EQ(CString(L"2010-03-04 05:06:07"), t.Format(L"%Y-%m-%d %H:%M:%S"));
    EXPECT_EQ(t, CTime(st));
    FILETIME ft{};   // the same fields as a UTC file time, whatever the zone
    ::SystemTimeToFileTime(&st, &ft);
    EXPECT_EQ(1267679167, (long long)CTime(ft).GetTime());
}

TEST(FrameworkTime, InvalidFieldsGiveNoTime) {
    EXPECT_EQ(-1, (long long)CTime(1960, 1, 1, 0, 0, 0).GetTime());
    SYSTEMTIME st{};
    EXPECT_FALSE(CTime((__time64_t)-1).GetAsSystemTime(st));
    EXPECT_EQ(CString(), CTime((__time64_t)-1).Format(L"%Y"));
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
        EXPECT_TRUE(f.SetLength(5));
        EXPECT_EQ(5u, f.GetLength());
        EXPECT_EQ(CString(path).Mid(CString(path).ReverseFind(L'\\') + 1), f.GetFileName());
    }
    {
        CFile f;   // modeCreate truncates; modeNoTruncate keeps
        ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeRead));
        EXPECT_EQ(5u, f.GetLength());
    }
    {
        CFile f;
        ASSERT_TRUE(f.Open(path, CFile::modeRead | CFile::shareExclusive));
        CFile second;
        EXPECT_FALSE(second.Open(path, CFile::modeRead));   // sharing violation, no exception
        EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, second.GetLastError());
        EXPECT_FALSE(second.Write("x", 1));
        EXPECT_EQ(0u, second.Read(nullptr, 1));
    }
    EXPECT_TRUE(CFile::Remove(path));
    CFile missing;
    EXPECT_FALSE(missing.Open(path, CFile::modeRead));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, missing.GetLastError());
}
