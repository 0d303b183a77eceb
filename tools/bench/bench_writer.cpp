// Figures of the store writer: many small mails with attachments read from
// files, bulk throughput, and peak memory on a very large store. Each runs
// in a process of its own (see main.cpp), so that peaks do not mix.
#include "bench_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "bench.h"
#include "bench_external.h"
#include "format/props.h"
#include "writer/store_builder.h"

namespace {

namespace fs = std::filesystem;

fs::path ScratchDir() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = ".";
#ifdef _WIN32
    const std::string id = std::to_string(_getpid());
#else
    const std::string id = std::to_string(::getpid());
#endif
    const fs::path dir = base / ("tarnwell-writer-bench-" + id);
    fs::create_directories(dir, ec);
    return dir;
}

std::u16string Utf16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Files of the given sizes with random bytes, to attach.
std::vector<fs::path> MakeFiles(const fs::path& dir, const std::vector<size_t>& sizes, std::mt19937& random) {
    std::vector<fs::path> out;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const fs::path p = dir / ("attach-" + std::to_string(i) + ".bin");
        std::vector<char> bytes(sizes[i]);
        for (char& c : bytes) c = static_cast<char>(random());
        std::FILE* f = std::fopen(p.string().c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        out.push_back(p);
    }
    return out;
}

uint64_t FileSize(const fs::path& p) {
    std::error_code ec;
    const uintmax_t n = fs::file_size(p, ec);
    return ec ? 0 : static_cast<uint64_t>(n);
}

struct MailShape {
    size_t bodyChars;
    int recipients;
    const fs::path* attachment;   // or none
    size_t attachmentBytes = 0;   // without a file: an attachment of this many bytes from memory
};

void AddMail(writer::StoreBuilder& b, uint32_t folder, uint64_t n, const MailShape& shape) {
    writer::Message& m = b.AddMessage(folder, "IPM.Note");
    m.SetSubject(u"Message number " + Utf16(std::to_string(n)));
    m.SetSender(u"Sender Name", u"sender@example.com");
    for (int r = 0; r < shape.recipients; ++r) m.AddRecipient(u"Recipient " + Utf16(std::to_string(r)), u"r@example.com");
    m.SetBody(std::u16string(shape.bodyChars, u'x'));
    m.SetTime(fmt::kPidMessageDeliveryTime, 0x01DA000000000000ull + n);
    if (shape.attachment) m.AddAttachmentFromFile(u"file.bin", *shape.attachment);
    else if (shape.attachmentBytes) m.AddAttachment(u"file.bin", writer::Bytes(shape.attachmentBytes, 0x5A));
}

// Folders of `perFolder` mails, one checkpoint per folder, as the item
// writer's driver ends a batch per folder.
struct Result {
    double seconds = 0;
    uint64_t bytes = 0;
    uint64_t mails = 0;
    bool ok = false;
};

// commitEvery 1 with folderCheckpoint mimics the item writer's save: each
// mail with attachment files committed on its own, a checkpoint after a
// folder is made and another when its mails are done; checkpointEvery adds
// one inside a folder after so many mails, or a quarter of what the folder
// holds when that is more, as the program's save does.
template <typename Shape>
Result WriteStore(const fs::path& path, uint64_t mails, uint64_t perFolder, Shape shape, uint64_t commitEvery = 150,
                  bool folderCheckpoint = false, uint64_t checkpointEvery = 0) {
    Result r;
    const double start = NowSeconds();
    writer::StoreBuilder b(writer::StoreOptions{});
    if (!b.StreamTo(path.string())) return r;
    uint32_t folder = 0;
    uint64_t sinceCheckpoint = 0;
    for (uint64_t n = 0; n < mails; ++n) {
        if (n % perFolder == 0) {
            if (n && !b.Checkpoint()) return r;
            folder = b.AddFolder(b.IpmSubtree(), u"Folder " + Utf16(std::to_string(n / perFolder)));
            if (folderCheckpoint && !b.Checkpoint()) return r;
        }
        AddMail(b, folder, n, shape(n));
        if (n % commitEvery == commitEvery - 1) b.Commit();
        if (checkpointEvery && ++sinceCheckpoint >= std::max(checkpointEvery, (n % perFolder + 1) / 4)) {
            if (!b.Checkpoint()) return r;
            sinceCheckpoint = 0;
        }
    }
    r.ok = b.Finish();
    r.seconds = NowSeconds() - start;
    r.bytes = FileSize(path);
    r.mails = mails;
    return r;
}

void Print(const char* what, const Result& r) {
    std::printf("%s: %s, %llu mails, %.1f MiB in %.2f s (%.0f MB/s), peak memory %.1f MiB\n", what,
                r.ok ? "ok" : "FAILED", static_cast<unsigned long long>(r.mails), r.bytes / 1048576.0, r.seconds,
                r.seconds > 0 ? r.bytes / 1e6 / r.seconds : 0.0, PeakMemoryKiB() / 1024.0);
}

}  // namespace

int RunWriterBench(int which, uint64_t many) {
    const fs::path dir = ScratchDir();
    std::mt19937 random(4242);
    Result r;
    fs::path written;   // the store of this part
    if (which == 1) {
        // 10,000 mails, each with a small attachment (2-20 KB) from a file.
        std::vector<size_t> sizes;
        for (int i = 0; i < 16; ++i) sizes.push_back(2000 + 1200 * i);
        const std::vector<fs::path> files = MakeFiles(dir, sizes, random);
        written = dir / "small.pst";
        r = WriteStore(written, 10000, 1000, [&](uint64_t n) {
            return MailShape{static_cast<size_t>(800 + n % 1500), 2, &files[n % files.size()]};
        });
        Print("writer, 10,000 mails with small attachments", r);
    } else if (which == 2) {
        // About 1 GiB: mails with bodies and attachments of 64 KiB to 2 MiB.
        std::vector<size_t> sizes;
        for (int i = 0; i < 8; ++i) sizes.push_back((size_t(64) << 10) << (i % 6));
        const std::vector<fs::path> files = MakeFiles(dir, sizes, random);
        uint64_t planned = 0, mails = 0;
        while (planned < (uint64_t(1) << 30)) planned += 8000 + FileSize(files[mails++ % files.size()]);
        written = dir / "gib.pst";
        r = WriteStore(written, mails, 500, [&](uint64_t n) {
            return MailShape{4000, 3, &files[n % files.size()]};
        });
        Print("writer, 1 GiB of mail", r);
        // The same number of bytes in plain 4 MiB writes, for scale.
        const double start = NowSeconds();
        const fs::path plain = dir / "plain.bin";
        std::FILE* f = std::fopen(plain.string().c_str(), "wb");
        std::vector<char> chunk(size_t(4) << 20, 'p');
        for (uint64_t done = 0; f && done < r.bytes; done += chunk.size()) std::fwrite(chunk.data(), 1, chunk.size(), f);
        if (f) std::fclose(f);
        const double seconds = NowSeconds() - start;
        std::printf("disk, the same bytes in plain 4 MiB writes: %.2f s (%.0f MB/s)\n", seconds, r.bytes / 1e6 / seconds);
    } else if (which == 3) {
        // 300,000 small mails in 30 folders.
        written = dir / "many.pst";
        r = WriteStore(written, many, std::max<uint64_t>(1, many / 30), [&](uint64_t n) {
            return MailShape{static_cast<size_t>(300 + n % 700), 1, nullptr};
        });
        Print("writer, 300,000 mails", r);
    } else if (which == 4) {
        // The same in 1,000 folders: a checkpoint every 300 mails.
        written = dir / "batches.pst";
        r = WriteStore(written, many, std::max<uint64_t>(1, many / 1000), [&](uint64_t n) {
            return MailShape{static_cast<size_t>(300 + n % 700), 1, nullptr};
        });
        Print("writer, 300,000 mails in 1,000 checkpoints", r);
    } else if (which == 5) {
        // All in one folder: its contents table of 300,000 rows is built at once.
        written = dir / "onefolder.pst";
        r = WriteStore(written, many, many, [&](uint64_t n) {
            return MailShape{static_cast<size_t>(300 + n % 700), 1, nullptr};
        });
        Print("writer, 300,000 mails in one folder", r);
    } else if (which == 6 || which == 7) {
        // As the item writer saves: a 2000-byte attachment file per mail,
        // each mail committed alone, two checkpoints per folder.
        const std::vector<fs::path> files = MakeFiles(dir, {2000}, random);
        const uint64_t perFolder = which == 6 ? std::max<uint64_t>(1, many / 30) : many;
        written = dir / "saved.pst";
        r = WriteStore(written, many, perFolder, [&](uint64_t) { return MailShape{21, 1, &files[0]}; }, 1, true);
        Print(which == 6 ? "writer, 300,000 mails saved item by item into 30 folders"
                         : "writer, 300,000 mails saved item by item into one folder", r);
    } else if (which == 8) {
        // The same as 7 with the 2000 bytes given from memory: the writer's
        // own cost, without opening a file per mail (which costs far more
        // under Wine than natively).
        written = dir / "saved-memory.pst";
        r = WriteStore(written, many, many, [&](uint64_t) { return MailShape{21, 1, nullptr, 2000}; }, 1, true);
        Print("writer, 300,000 mails saved item by item into one folder, attachments from memory", r);
    } else if (which == 9) {
        // The same as 8 with checkpoints as the program's save takes them:
        // every 500 mails, further apart as the folder grows (each writes
        // the folder's tables again).
        written = dir / "saved-checkpoints.pst";
        r = WriteStore(written, many, many, [&](uint64_t) { return MailShape{21, 1, nullptr, 2000}; }, 1, true, 500);
        Print("writer, 300,000 mails saved item by item into one folder, with the save's checkpoints", r);
    }
    // The independent reader on the store just written, for scale.
    if (r.ok && !written.empty()) {
        const ExternalRun readpst = RunReadpst(written.string(), 1);
        if (readpst.ran)
            std::printf("  readpst -j 1 converts the same store in %.2f s, peak memory %.1f MiB\n", readpst.seconds,
                        readpst.peakMiB);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return r.ok ? 0 : 1;
}
