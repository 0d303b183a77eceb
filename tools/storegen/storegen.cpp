// storegen: writes a store from a small text description, so that anyone
// can make a test store without writing code.
//
//   storegen DESCRIPTION OUTPUT       write the store OUTPUT
//   storegen --bench N OUTPUT         write N mails with attachments and
//                                     print the time taken and the size
//
// The description language is documented in writer/store_description.h;
// example-store.txt beside this file holds one item of every kind.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "writer/store_builder.h"
#include "writer/store_description.h"

namespace {

using writer::Bytes;

// Many mails with attachments, streamed to the file in batches so that
// memory stays flat.
int Bench(unsigned long count, const std::string& output) {
    const auto start = std::chrono::steady_clock::now();
    writer::StoreBuilder b(writer::StoreOptions{});
    if (!b.StreamTo(output)) {
        std::fprintf(stderr, "storegen: cannot write %s\n", output.c_str());
        return 1;
    }
    const uint32_t folders[4] = {b.AddFolder(b.IpmSubtree(), u"Inbox"), b.AddFolder(b.IpmSubtree(), u"Sent Items"),
                                 b.AddFolder(b.IpmSubtree(), u"Archive"), b.AddFolder(b.IpmSubtree(), u"Projects")};
    Bytes attachment(9000);
    for (size_t i = 0; i < attachment.size(); ++i) attachment[i] = static_cast<uint8_t>(i * 31 + 7);
    const std::u16string body(400, u'x');
    for (unsigned long i = 0; i < count; ++i) {
        writer::Message& m = b.AddMessage(folders[i % 4], "IPM.Note");
        m.SetSubject(u"Benchmark message " + writer::Utf16FromAscii(std::to_string(i)));
        m.SetBody(body);
        m.SetSender(u"Sender", u"sender@example.com");
        m.AddRecipient(u"Recipient", u"rcpt@example.com");
        m.AddAttachment(u"data.bin", attachment);
        if (i % 1000 == 999) b.Checkpoint();
    }
    const bool ok = b.Finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::ifstream f(output, std::ios::binary | std::ios::ate);
    const double mib = static_cast<double>(f.tellg()) / (1024.0 * 1024.0);
    std::printf("storegen bench: %lu mails with a 9000-byte attachment, %.1f MiB in %.2f s (%.1f MiB/s)%s\n",
                count, mib, seconds, mib / seconds, ok ? "" : " WRITE FAILED");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--bench") return Bench(std::stoul(argv[2]), argv[3]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: storegen DESCRIPTION OUTPUT | storegen --bench N OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "storegen: cannot read %s\n", argv[1]);
        return 2;
    }
    writer::StoreDescription description;
    std::string line;
    int number = 0;
    try {
        while (std::getline(in, line)) {
            ++number;
            description.Line(line);
        }
        if (!description.Write(argv[2])) {
            std::fprintf(stderr, "storegen: cannot write %s\n", argv[2]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "storegen: line %d: %s\n", number, e.what());
        return 2;
    }
    return 0;
}
