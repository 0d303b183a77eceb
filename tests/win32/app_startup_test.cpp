// Start-up of the real program as a process: a second instance, finding a
// window with the main title, says so and ends with exit code 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const wchar_t kMainTitle[] = L" Quillmere for MS Exchange OST - MS Outlook PST";
const wchar_t kSecondInstanceCaption[] = L"  Quillmere for MS Exchange OST - MS Outlook PST";

// Tarnwell.exe of the same build: <build>/app/Tarnwell.exe beside <build>/tests/win32/.
std::wstring ProgramPath() {
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    for (int i = 0; i < 3; ++i) path = path.substr(0, path.find_last_of(L'\\'));
    return path + L"\\app\\Tarnwell.exe";
}

struct Process {
    PROCESS_INFORMATION info = {};
    bool Start(const std::wstring& exe) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + exe + L"\"";
        return CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info) != 0;
    }
    ~Process() {
        if (info.hProcess != nullptr) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
};

HWND WaitForWindow(const wchar_t* title, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (HWND window = FindWindowW(nullptr, title)) return window;
        Sleep(20);
    }
    return nullptr;
}

std::wstring MessageText(HWND box) {
    // The message box's text is its static control with id 0xFFFF.
    wchar_t text[256] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    return text;
}

}  // namespace

TEST(AppStartup, SecondInstanceSaysSoAndExitsWithCodeZero) {
    const std::wstring exe = ProgramPath();
    ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES) << "missing " << std::string(exe.begin(), exe.end());
    // The running instance: any top-level window with the main title.
    HWND running = CreateWindowExW(0, L"STATIC", kMainTitle, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(running, nullptr);

    Process second;
    ASSERT_TRUE(second.Start(exe));
    HWND box = WaitForWindow(kSecondInstanceCaption, 30000);
    ASSERT_NE(box, nullptr) << "no message from the second instance";
    EXPECT_EQ(MessageText(box), L"Another instance of program is already running");
    PostMessageW(box, WM_COMMAND, IDOK, 0);

    ASSERT_EQ(WaitForSingleObject(second.info.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(second.info.hProcess, &code);
    EXPECT_EQ(code, 0u);
    DestroyWindow(running);
}

TEST(AppStartup, ThirdInstanceWhileTheMessageIsUpEndsWithoutAnotherMessage) {
    const std::wstring exe = ProgramPath();
    HWND running = CreateWindowExW(0, L"STATIC", kMainTitle, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                   nullptr, nullptr);
    // Another starting instance's message, already shown.
    HWND message = CreateWindowExW(0, L"STATIC", kSecondInstanceCaption, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(running && message);
    Process third;
    ASSERT_TRUE(third.Start(exe));
    ASSERT_EQ(WaitForSingleObject(third.info.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(third.info.hProcess, &code);
    EXPECT_EQ(code, 0u);
    DestroyWindow(message);
    DestroyWindow(running);
}
