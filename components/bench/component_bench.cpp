// Figures of the item writer: mails stored through IDispatch as the program
// stores them (the header file and one small attachment file named per mail,
// the folder closed and opened again every 150 mails), the time it takes and
// the peak memory; then, up to 20,000 mails, the same save without the two
// files and the two files of every mail read alone, to show where the time
// goes. Loads Loomcraft.dll from its own folder, so nothing needs
// registering:   wine component_bench.exe [mails] [folders]
#include <windows.h>
#include <oleauto.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

IDispatch* g_writer;

double Seconds(const LARGE_INTEGER& from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// One call: texts by reference, and the body type by reference at bodyIndex.
void Call(DISPID id, const std::vector<std::wstring>& texts, int bodyIndex = -1) {
    std::vector<BSTR> strings;
    for (const std::wstring& t : texts) strings.push_back(SysAllocString(t.c_str()));
    const size_t count = texts.size() + (bodyIndex >= 0 ? 1 : 0);
    std::vector<VARIANT> args(count);
    short bodyType = 0;
    for (size_t i = 0, t = 0; i < count; ++i) {
        VARIANT& v = args[count - 1 - i];
        VariantInit(&v);
        if (static_cast<int>(i) == bodyIndex) {
            V_VT(&v) = VT_I2 | VT_BYREF;
            V_I2REF(&v) = &bodyType;
        } else {
            V_VT(&v) = VT_BSTR | VT_BYREF;
            V_BSTRREF(&v) = &strings[t++];
        }
    }
    DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(count), 0};
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = g_writer->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    if (FAILED(hr)) std::printf("call 0x%08lX failed: 0x%08lX\n", static_cast<unsigned long>(id), static_cast<unsigned long>(hr));
    VariantClear(&result);
    for (BSTR s : strings) SysFreeString(s);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int mails = argc > 1 ? _wtoi(argv[1]) : 10000;
    const int folders = argc > 2 && _wtoi(argv[2]) > 0 ? _wtoi(argv[2]) : 1;
    CoInitialize(nullptr);
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const HMODULE dll = LoadLibraryW(L"Loomcraft.dll");
    auto get = dll ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject"))) : nullptr;
    const CLSID itemWriter = {0x35920421, 0xfa55, 0x48bb, {0xbb, 0x8d, 0x3e, 0xde, 0x7e, 0x82, 0xe6, 0x4b}};
    IClassFactory* factory = nullptr;
    if (!get || FAILED(get(itemWriter, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        std::printf("Loomcraft.dll and ComponentCore.dll must lie beside this program\n");
        return 1;
    }

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"component-bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring pst = folder + L"\\bench.pst", header = folder + L"\\Temp.eml", attachment = folder + L"\\small.txt";
    WriteFileBytes(attachment, std::string(2000, 'a'));
    WriteFileBytes(header, "From:Bob<bob@example.com>\r\n");   // written once: only the component's own work is timed

    // The save as the program drives it; withFiles false leaves out the
    // header and attachment files (what the component does besides reading
    // them). With senderPerMail the header file names another sender for
    // every mail, as the program writes it when senders change (the time of
    // writing it is not counted).
    auto save = [&](const std::wstring& path, bool withFiles, bool senderPerMail = false) {
        double notCounted = 0;
        const std::wstring root = L"\\\\Bench store";
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        if (FAILED(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&g_writer)))) return 0.0;
        Call(0x6003002A, {});
        Call(0x6003002B, {path, L"Bench store"});
        Call(0x60030035, {});
        // The folders one after another, as a save goes: create, open, the
        // mails, close, end of batch.
        for (int f = 0; f < folders; ++f) {
            const std::wstring folder = root + L"\\Folder " + std::to_wstring(f + 1);
            Call(0x6003002A, {});
            Call(0x6003002C, {folder});
            Call(0x60030035, {});
            Call(0x6003002A, {});
            Call(0x6003002E, {folder});
            const int first = mails / folders * f, last = f + 1 == folders ? mails : mails / folders * (f + 1);
            for (int i = first; i < last; ++i) {
                if ((i - first) % 150 == 0) {
                    Call(0x6003002F, {});
                    Call(0x6003002E, {folder});
                }
                if (senderPerMail) {
                    LARGE_INTEGER written;
                    QueryPerformanceCounter(&written);
                    WriteFileBytes(header, "From:Sender " + std::to_string(i % 2) + "<s@example.com>\r\n");
                    notCounted += Seconds(written);
                }
                Call(0x6003002D, {folder, L"Subject " + std::to_wstring(i), L"Ann<ann@example.com>", withFiles ? header : L"",
                                  L"6/5/2012 10:00 AM", withFiles ? attachment + L";" : L"", L"Body text of the mail", L"", L""},
                     7);
            }
            Call(0x6003002F, {});
            Call(0x60030035, {});
        }
        g_writer->Release();                 // the store is finished when its writer goes
        return Seconds(start) - notCounted;
    };
    const double seconds = save(pst, true);
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    GetFileAttributesExW(pst.c_str(), GetFileExInfoStandard, &file);
    const double withoutFiles = mails <= 20000 ? save(folder + L"\\nofiles.pst", false) : 0;
    const double senderPerMail = mails <= 20000 ? save(folder + L"\\senders.pst", true, true) : 0;

    // The two files of every mail opened, read and closed, and nothing else:
    // what each file costs the system (under Wine a few server round trips).
    double filesAlone = 0;
    if (mails <= 20000) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        std::vector<char> buffer(65536);
        for (int i = 0; i < mails; ++i)
            for (const std::wstring* path : {&header, &attachment}) {
                HANDLE h = CreateFileW(path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
                DWORD got = 0;
                if (h != INVALID_HANDLE_VALUE) {
                    ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
                    CloseHandle(h);
                }
            }
        filesAlone = Seconds(start);
    }
    factory->Release();

    PROCESS_MEMORY_COUNTERS memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const double megabytes = (double(file.nFileSizeHigh) * 4294967296.0 + file.nFileSizeLow) / 1048576.0;
    std::printf("item writer: %d mails with a 2000-byte attachment in %d folder(s) in %.2f s (%.0f mails/s), store %.1f MB, "
                "peak working set %.1f MB\n",
                mails, folders, seconds, mails / seconds, megabytes, memory.PeakWorkingSetSize / 1048576.0);
    if (withoutFiles > 0)
        std::printf("  the same without the header and attachment files: %.2f s; with another sender in the header file "
                    "for every mail: %.2f s; the files alone (open, read, close): %.2f s\n",
                    withoutFiles, senderPerMail, filesAlone);
    DeleteFileW(pst.c_str());
    DeleteFileW((folder + L"\\nofiles.pst").c_str());
    DeleteFileW((folder + L"\\senders.pst").c_str());
    DeleteFileW(header.c_str());
    DeleteFileW(attachment.c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
