// ostdump: loads a store through the reader, as the program's store load
// does, and prints the folder tree and then every item of every folder as
// its record's fields, in one stable text format (UTF-8). It is what the
// reader is compared with independent readers by.
//
//   ostdump [--tree-only] [--no-bodies] [--rtf-dir DIR] [-j N] STORE
//
// Items are read by N threads (default: one per core but one, at most 6)
// and printed in the same order as by one.
// Bodies (HTML and compressed RTF) are read as while an item is shown;
// --rtf-dir keeps each item's decompressed RTF body as DIR/<node id>.rtf.
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reader/attachment_writer.h"
#include "reader/item_reader.h"
#include "reader/item_record.h"
#include "reader/named_props.h"
#include "reader/ndb.h"
#include "reader/rtf_decompress.h"
#include "reader/store_load.h"
#include "reader/store_text.h"
#include "reader/store_tree_model.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::string ToUtf8(const std::wstring& text) { return WideToUtf8(text); }

std::wstring FromArgument(const char* arg) {
#ifdef _WIN32
    int n = MultiByteToWideChar(CP_ACP, 0, arg, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_ACP, 0, arg, -1, &out[0], n);
    return out;
#else
    // Arguments are UTF-8 here.
    std::wstring out;
    const auto* p = reinterpret_cast<const unsigned char*>(arg);
    while (*p) {
        uint32_t c = *p++;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (more) c &= (0x3F >> more);
        while (more-- > 0 && (*p & 0xC0) == 0x80) c = (c << 6) | (*p++ & 0x3F);
        out += static_cast<wchar_t>(c);
    }
    return out;
#endif
}

// Control characters would break the one-line-per-field format.
std::string Quote(const std::wstring& text) {
    std::string s = ToUtf8(text);
    std::string out = "\"";
    for (char c : s) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out + "\"";
}

std::string TextField(const StoreText& t) { return Quote(StoreTextToWString(t.pData)); }

std::string TimeField(const ItemFileTime* ft) {
    if (!ft) return "-";
    const uint64_t ticks = (static_cast<uint64_t>(ft->dwHighDateTime) << 32) | ft->dwLowDateTime;
    const int64_t seconds = static_cast<int64_t>(ticks / 10000000ull) - 11644473600ll;
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(y),
                  static_cast<long long>(m), static_cast<long long>(d), static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
    return buf;
}

uint64_t FileSize(const std::wstring& path) {
#ifdef _WIN32
    FILE* f = _wfopen(path.c_str(), L"rb");
#else
    FILE* f = std::fopen(ToUtf8(path).c_str(), "rb");
#endif
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    return size > 0 ? static_cast<uint64_t>(size) : 0;
}

bool CopyFileBytes(const std::wstring& from, const std::wstring& to) {
#ifdef _WIN32
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
#else
    FILE* in = std::fopen(ToUtf8(from).c_str(), "rb");
    if (!in) return false;
    FILE* out = OpenFileForWriting(to);
    if (!out) {
        std::fclose(in);
        return false;
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) std::fwrite(buf, 1, n, out);
    std::fclose(in);
    return std::fclose(out) == 0;
#endif
}

std::wstring TempFolder() {
#ifdef _WIN32
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH, buf);
    std::wstring dir(buf, n);
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
    dir += L"\\ostdump" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
#else
    char pattern[] = "/tmp/ostdumpXXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? FromArgument(dir) : L"/tmp";
#endif
}

void RemoveFile(const std::wstring& path) {
#ifdef _WIN32
    DeleteFileW(path.c_str());
#else
    std::remove(ToUtf8(path).c_str());
#endif
}

void RemoveFolder(const std::wstring& path) {
#ifdef _WIN32
    RemoveDirectoryW(path.c_str());
#else
    rmdir(ToUtf8(path).c_str());
#endif
}

struct Options {
    bool treeOnly = false;
    bool bodies = true;
    std::wstring rtfDir;
    std::wstring store;
    unsigned threads = 0;   // 0: one per core
};

// What a damaged store kept from being read, over the whole store.
struct Losses {
    size_t items = 0;        // item nodes whose record cannot be read
    size_t attachments = 0;  // attachments flagged unreadable in items that were read
    size_t partial = 0;      // items read with parts left out
    size_t damaged = 0;      // items read with blocks whose CRC does not match
};

void PrintTree(const FolderTreeModel::Item* item, int depth) {
    std::printf("%*s[%d] %s\n", depth * 2, "", item->image, Quote(item->text).c_str());
    for (const auto* child : item->children) PrintTree(child, depth + 1);
}

// printf into a string: each item's text is made apart and printed in order.
void Appendf(std::string& out, const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        out.append(small, static_cast<size_t>(n));
    } else {
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, again);
        out.append(big.data(), static_cast<size_t>(n));
    }
    va_end(again);
}

void FormatItem(std::string& out, NodeEntry* node, ItemRecord* r, const Options& options) {
    Appendf(out, "  item nid 0x%08llx class %s kind %d flags 0x%08x\n",
            static_cast<unsigned long long>(node->nodeId), r->szClass ? Quote(FromArgument(r->szClass)).c_str() : "-",
            r->nKind, static_cast<unsigned>(r->nMessageFlags));
    Appendf(out, "    subject: %s\n", TextField(r->txSubject).c_str());
    const MessageDetail* m = r->pMessage;
    if (m) {
        Appendf(out, "    sender: %s <%s>\n", TextField(m->txSentRepresentingName).c_str(),
                ToUtf8(StoreTextToWString(m->txSentRepresentingEmailAddress.pData)).c_str());
        Appendf(out, "    to: %s\n", TextField(m->txDisplayTo).c_str());
        Appendf(out, "    cc: %s\n", TextField(m->txDisplayCc).c_str());
        Appendf(out, "    delivered: %s submitted: %s\n", TimeField(m->pftMessageDeliveryTime).c_str(),
                TimeField(m->pftClientSubmitTime).c_str());
    }
    Appendf(out, "    created: %s modified: %s\n", TimeField(r->pftCreated).c_str(), TimeField(r->pftModified).c_str());
    const uint32_t bodyChars = StoreStringLength(r->txBody.pData);
    const size_t htmlBytes = m && m->txBodyHtml.pData ? std::strlen(reinterpret_cast<const char*>(m->txBodyHtml.pData)) : 0;
    const uint64_t rtfBytes = m ? m->binRtfCompressed.cb : 0;
    uint64_t rtfFile = 0;
    if (rtfBytes) {
        // The body file of this thread holds this item's body now.
        rtfFile = FileSize(RtfBodyFilePath());
        if (!options.rtfDir.empty()) {
            wchar_t name[32];
            std::swprintf(name, 32, L"%08llx.rtf", static_cast<unsigned long long>(node->nodeId));
#ifdef _WIN32
            CopyFileBytes(RtfBodyFilePath(), options.rtfDir + L"\\" + name);
#else
            CopyFileBytes(RtfBodyFilePath(), options.rtfDir + L"/" + name);
#endif
        }
    }
    Appendf(out, "    body: text %u chars, html %zu bytes, rtf %llu bytes -> %llu bytes\n", bodyChars, htmlBytes,
            static_cast<unsigned long long>(rtfBytes), static_cast<unsigned long long>(rtfFile));
    if (const ContactDetail* c = r->pContact) {
        Appendf(out, "    contact: %s %s <%s>\n", TextField(c->txGivenName).c_str(), TextField(c->txSurname).c_str(),
                ToUtf8(StoreTextToWString(c->txEmail1EmailAddress.pData)).c_str());
    }
    if (const AppointmentDetail* a = r->pAppointment) {
        Appendf(out, "    appointment: start %s end %s location %s\n", TimeField(a->pftAppointmentStartWhole).c_str(),
                TimeField(a->pftAppointmentEndWhole).c_str(), TextField(a->txLocation).c_str());
    }
    int index = 0;
    int recipients = 0;
    for (const AttachmentNode* a = r->pAttachments; a; a = a->pNext) {
        if (!a->txAttachFilename.pData && !a->txAttachLongFilename.pData) {
            ++recipients;
            continue;
        }
        ++index;
        // The size the export's file would have, measured without copying.
        uint64_t size = 0;
        try {
            size = AttachmentDataSize(g_storeFile, a);
        } catch (...) {
            size = 0;
        }
        Appendf(out, "    attachment %d: %s long %s mime %s method %d size %llu\n", index,
                TextField(a->txAttachFilename).c_str(), TextField(a->txAttachLongFilename).c_str(),
                TextField(a->txAttachMimeTag).c_str(), a->nAttachMethod, static_cast<unsigned long long>(size));
    }
    Appendf(out, "    nameless rows: %d\n", recipients);
    // Only a damaged store has parts left out: undamaged output stays as it is.
    if (r->nPartsLost) Appendf(out, "    parts left out: %d\n", r->nPartsLost);
    if (r->nBlocksDamaged) Appendf(out, "    damaged blocks: %d\n", r->nBlocksDamaged);
}

// One child node of a folder, read and formatted.
struct ItemText {
    enum State { kItem, kUnreadable, kFolder };
    State state = kUnreadable;
    std::string text;   // for kItem: the lines after "folder-item"
    size_t unreadableAttachments = 0;
    bool partsLost = false;
    bool blocksDamaged = false;
};

ItemText ReadAndFormat(NodeEntry* child, const Options& options) {
    ItemText result;
    ItemRecord* r = nullptr;
    try {
        r = ReadItemRecord(g_storeFile, child);
    } catch (...) {
        r = nullptr;
    }
    if (!r) {
        // A folder that cannot be read is listed as a folder of its own.
        if (IsFolderNid(child->nodeId)) result.state = ItemText::kFolder;
        return result;
    }
    if (r->pFolderCounts) {
        result.state = ItemText::kFolder;
    } else {
        result.state = ItemText::kItem;
        FormatItem(result.text, child, r, options);
        for (const AttachmentNode* a = r->pAttachments; a; a = a->pNext)
            result.unreadableAttachments += a->bUnreadable != 0;
        result.partsLost = r->nPartsLost != 0;
        result.blocksDamaged = r->nBlocksDamaged != 0;
    }
    FreeItemRecord(r);
    return result;
}

// The children of every folder, read by several threads, printed in order.
// Workers take item numbers one after another; the printer waits for each
// in turn. At most kWindow items are read ahead of the printer, so memory
// stays small whatever the store's size.
class ItemPipeline {
public:
    ItemPipeline(const std::vector<NodeEntry*>& items, const Options& options, unsigned threads)
        : m_items(items), m_options(options), m_slots(kWindow), m_done(kWindow, false) {
        for (unsigned t = 0; t < threads; ++t) m_threads.emplace_back([this, t] { Work(t); });
    }
    ~ItemPipeline() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_ready.notify_all();
        m_room.notify_all();
        for (auto& t : m_threads) t.join();
    }
    // The result of item i (asked in order 0, 1, 2, ...).
    ItemText Take(size_t i) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [&] { return m_done[i % kWindow]; });
        ItemText out = std::move(m_slots[i % kWindow]);
        m_done[i % kWindow] = false;
        m_printed = i + 1;
        const bool wake = m_waitingWorkers > 0;
        lock.unlock();
        if (wake) m_room.notify_all();
        return out;
    }

private:
    static constexpr size_t kWindow = 1024;

    void Work(unsigned number) {
        // Each thread's RTF body file: the body of the item it read last.
        std::wstring body = RtfBodyFilePath();
        body.insert(body.size() - 4, L"-" + std::to_wstring(number));
        SetThreadRtfBodyFile(body);
        for (;;) {
            size_t i;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                ++m_waitingWorkers;
                m_room.wait(lock, [&] { return m_stop || m_next >= m_items.size() || m_next < m_printed + kWindow; });
                --m_waitingWorkers;
                if (m_stop || m_next >= m_items.size()) break;
                i = m_next++;
            }
            ItemText text = ReadAndFormat(m_items[i], m_options);
            bool wake;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_slots[i % kWindow] = std::move(text);
                m_done[i % kWindow] = true;
                // Only the printer waits for results, and only for item m_printed.
                wake = i == m_printed;
            }
            if (wake) m_ready.notify_one();
        }
        RemoveFile(body);
        SetThreadRtfBodyFile(std::wstring());
    }

    const std::vector<NodeEntry*>& m_items;
    const Options& m_options;
    std::vector<ItemText> m_slots;
    std::vector<bool> m_done;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_ready, m_room;
    size_t m_next = 0;
    size_t m_printed = 0;
    int m_waitingWorkers = 0;
    bool m_stop = false;
};

Losses PrintFolders(const Options& options) {
    Losses losses;
    // Every folder's child nodes, folder after folder.
    std::vector<NodeEntry*> items;
    std::vector<size_t> ends;
    for (const folder& f : g_listFolders) {
        NodeEntry* node = FindNode(&g_storeFile, f.nNodeId);
        for (NodeEntry* child = node ? node->pFirstChild : nullptr; child; child = child->pNextSibling)
            items.push_back(child);
        ends.push_back(items.size());
    }
    // Lookup tables made on first use are made here, before threads share them.
    FindBlock(&g_storeFile, 1);
    FindNamedPropEntry(&g_storeFile, 0);

    std::unique_ptr<ItemPipeline> pipeline;
    if (options.threads > 1 && items.size() > 1) pipeline.reset(new ItemPipeline(items, options, options.threads));
    size_t next = 0;
    for (size_t k = 0; k < g_listFolders.size(); ++k) {
        const folder& f = g_listFolders[k];
        const std::string path = Quote(FolderTreeModel::PathOf(FolderTreeModel::FromHandle(f.hItem)));
        size_t count = 0;
        int unreadable = 0;
        for (; next < ends[k]; ++next) {
            const ItemText item = pipeline ? pipeline->Take(next) : ReadAndFormat(items[next], options);
            if (item.state == ItemText::kUnreadable) {
                ++unreadable;
            } else if (item.state == ItemText::kItem) {
                std::printf("folder-item %s\n", path.c_str());
                std::fwrite(item.text.data(), 1, item.text.size(), stdout);
                ++count;
                losses.attachments += item.unreadableAttachments;
                losses.partial += item.partsLost;
                losses.damaged += item.blocksDamaged;
            }
        }
        std::printf("folder %s nid 0x%08x items %zu unreadable %d\n", path.c_str(), f.nNodeId, count, unreadable);
        losses.items += static_cast<size_t>(unreadable);
    }
    return losses;
}

int Usage() {
    std::fprintf(stderr, "usage: ostdump [--tree-only] [--no-bodies] [--rtf-dir DIR] [-j N] STORE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Large writes whatever standard output is. The Windows C library leaves
    // a character device such as NUL unbuffered, and under Wine each of its
    // writes goes through the server: a large store printed to NUL took
    // minutes instead of seconds.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--tree-only")) options.treeOnly = true;
        else if (!std::strcmp(argv[i], "--no-bodies")) options.bodies = false;
        else if (!std::strcmp(argv[i], "--rtf-dir") && i + 1 < argc) options.rtfDir = FromArgument(argv[++i]);
        else if (!std::strcmp(argv[i], "-j") && i + 1 < argc) options.threads = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (argv[i][0] == '-') return Usage();
        else options.store = FromArgument(argv[i]);
    }
    if (options.store.empty() || options.threads > 64) return Usage();
    if (options.threads == 0) {
        // One core stays for the printing thread; beyond six readers the
        // threads wait on each other in the system's file reads (measured:
        // eight on eight cores took three times as long as six).
        const unsigned cores = std::thread::hardware_concurrency();
        options.threads = cores <= 2 ? 1 : cores - 1 > 6 ? 6 : cores - 1;
    }

    const std::wstring workFolder = TempFolder();
    SetInstallFolder(workFolder);

    FolderTreeModel tree;
    SetReaderObserver(&tree);
    ResetReader();
    OstRepair host(options.store);
    AnalysisThreadProc(&host);

    std::printf("store %s\n", Quote(options.store).c_str());
    std::printf("variant %s crypt %u version %u\n", g_nStringMode == 2 ? "unicode" : g_nStringMode == 1 ? "ansi" : "-",
                g_storeFile.cryptMethod, g_storeFile.formatVersion);
    for (const auto& message : tree.messages) std::printf("message %s\n", Quote(message).c_str());
    for (const auto* root : tree.Roots()) PrintTree(root, 0);
    int status = tree.messages.empty() ? 0 : 1;

    if (!options.treeOnly && status == 0) {
        tree.wantBodies = options.bodies;
        const Losses losses = PrintFolders(options);
        std::printf("unreadable items %zu attachments %zu; items with parts left out %zu\n", losses.items,
                    losses.attachments, losses.partial);
        // Only a damaged store prints it: undamaged output stays as it is.
        if (losses.damaged) std::printf("items with damaged blocks %zu\n", losses.damaged);
    }
    tree.wantBodies = false;
    RemoveFile(RtfBodyFilePath());
    RemoveFolder(workFolder);
    try {
        ResetReader();
    } catch (...) {
    }
    SetReaderObserver(nullptr);
    return status;
}
