#include "bench_store.h"

#include <cstdio>
#include <cstdlib>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <random>
#include <string>
#include <vector>

#include "bench.h"
#include "writer/store_builder.h"

std::string MakeBenchStore(uint64_t targetBytes) {
#ifdef _WIN32
    const char* tmp = std::getenv("TEMP");
    std::string path = std::string(tmp ? tmp : ".") + "\\tarnwell-bench.pst";
#else
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp ? tmp : "/tmp") + "/tarnwell-bench-" + std::to_string(::getpid()) + ".pst";
#endif
    const double start = NowSeconds();
    writer::StoreOptions options;
    options.variant = writer::Variant::Unicode;
    options.cryptMethod = 1;
    options.ost = true;
    writer::StoreBuilder builder(options);
    if (!builder.StreamTo(path)) return std::string();

    std::mt19937 random(12345);
    std::vector<uint32_t> folders;
    const char16_t* names[] = {u"Inbox", u"Sent Items", u"Archive", u"Projects", u"Lists", u"Travel"};
    for (const char16_t* name : names) folders.push_back(builder.AddFolder(builder.IpmSubtree(), name));
    for (int i = 0; i < 24; ++i)
        folders.push_back(builder.AddFolder(folders[i % 6], u"Sub " + std::u16string(1, u'A' + i)));

    std::vector<uint8_t> noise(1 << 20);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    uint64_t written = 0;
    uint64_t messages = 0;
    while (written < targetBytes) {
        writer::Message& m = builder.AddMessage(folders[random() % folders.size()], "IPM.Note");
        m.SetSubject(u"Message " + std::u16string(std::to_string(messages).begin(), std::to_string(messages).end()));
        m.SetSender(u"Sender", u"sender@example.com");
        m.AddRecipient(u"Ann", u"ann@example.com");
        const size_t bodyUnits = 500 + random() % 3000;
        m.SetBody(std::u16string(bodyUnits, u'x'));
        written += 2 * bodyUnits + 1500;
        if (random() % 3 == 0) {
            const size_t size = 20000 + random() % 180000;
            const size_t at = random() % (noise.size() - size);
            m.AddAttachment(u"data.bin", writer::Bytes(noise.begin() + at, noise.begin() + at + size));
            written += size;
        }
        if (++messages % 2000 == 0) builder.Commit();
    }
    if (!builder.Finish()) return std::string();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    long long size = 0;
    if (file) {
        std::fseek(file, 0, SEEK_END);
        size = static_cast<long long>(std::ftell(file));
        std::fclose(file);
    }
    std::printf("made store: %s, %.1f MiB, %llu messages, %.1f s\n", path.c_str(), size / 1048576.0,
                static_cast<unsigned long long>(messages), NowSeconds() - start);
    return path;
}
