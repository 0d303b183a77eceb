// A store described in a few lines of text, for tests and for the storegen
// tool: one command per line; '#' starts a comment. Text runs to the end of
// the line; "\n" in it is a line break. Paths are folder names below the top
// of the personal folders, separated by '/'.
//
//   variant unicode|ansi            crypt none|permute|cyclic     ost yes|no
//   name Personal Folders           (the store's display name)
//   folder Inbox/Sub IPF.Note       (a folder; missing parents are made)
//   message Inbox IPM.Note          (a message; the lines below fill it)
//   Folder names may hold blanks ("folder Sent Items IPF.Note"): the class
//   is the last word when it reads as one (IPF, IPM, or beginning "IPF.",
//   "IPM." or "REPORT."); without it a folder is IPF.Note, a message IPM.Note.
//   subject TEXT    body TEXT    html TEXT    rtf TEXT
//   subject-prefix N TEXT           (a subject whose first N characters are a
//                                    prefix such as "RE: ")
//   sender NAME <EMAIL>    to|cc|bcc NAME <EMAIL>    unread
//   attach NAME TEXT                (a by-value attachment holding TEXT)
//   attach-file NAME PATH           (holding a file's bytes)
//   attach-size NAME BYTES          (holding BYTES bytes of a pattern)
//   embedded SUBJECT                (an embedded message; `body` etc. then
//                                    fill it until `end-embedded`)
//   prop TAG VALUE                  (TAG in hex, e.g. 0x0037001F; VALUE by
//                                    type: number, true/false, text, hex
//                                    bytes, or a UTC time 2020-01-02T10:00:00)
//   named SET LID TYPE VALUE        (numeric named property; SET is one of
//                                    appointment task address common log note
//                                    mapi public internet; TYPE in hex)
//   named-string SET NAME TYPE VALUE
//   named-strings SET NAME TEXT|TEXT|...   (multi-valued named text)
// The variant, encoding, kind and name come before the first folder or message.
// Messages given no times get 2020-01-01 00:00 UTC (kDefaultFileTime).
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "writer/store_builder.h"

namespace writer {

struct DescriptionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class StoreDescription {
public:
    StoreDescription();
    ~StoreDescription();

    // Applies one line; throws DescriptionError when it cannot.
    void Line(const std::string& line);
    StoreBuilder& Builder();
    bool Write(const std::string& path) { return Builder().WriteFile(path); }

private:
    Message& Current();
    uint32_t Folder(const std::string& path, const std::string& containerClass);
    void Command(const std::string& cmd, const std::string& rest);

    StoreOptions options_;
    std::u16string storeName_ = u"Personal Folders";
    std::unique_ptr<StoreBuilder> builder_;
    std::map<std::string, uint32_t> folders_;
    Message* message_ = nullptr;
    Message* embedded_ = nullptr;
};

// A whole description; errors name their line ("line 3: ...").
std::vector<uint8_t> StoreFromDescription(const std::string& text);

// A UTC time as FILETIME ticks; throws DescriptionError when malformed.
uint64_t ParseFileTime(const std::string& text);
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace writer
