// The texts the exporters hand to the components, read back into values:
// sender and recipient texts, the mail header file, ";"-separated file
// lists and the export date text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace components {

struct Address {
    std::wstring name;
    std::wstring email;
};

// One address in the forms the exporters build: "Name<address>",
// "<address>", "<Name>" (a name without an address), or a bare name.
Address ParseAddressText(const std::wstring& text);
// A ";"-separated list of such addresses; empty pieces are dropped.
std::vector<Address> ParseRecipientsText(const std::wstring& text);

// A mail's To text as the mail export builds it: the display names of the
// recipients, with the address of the mailbox that received the mail
// written after the last name ("Ann; Cid<ann@example.com>"). With one name
// the address is that name's. With several, and no other address in the
// text, the address is not the last name's but the received-by address,
// and the names go without addresses. A text that gives several names
// their own addresses keeps each beside its name.
struct MailRecipients {
    std::vector<Address> recipients;
    std::wstring receivedBy;        // empty when the text gives none apart
};
MailRecipients ParseMailRecipients(const std::wstring& text);

// The sender in the "From:" line of the mail header file's bytes (ANSI code
// page). "UnKnown", the exporter's word for a mail without a sender, and a
// header without that line give no sender.
Address SenderFromHeader(const std::string& headerBytes);
// The sender of a header file. A file found as it was when last read, and
// that had then last changed long enough before for any rewrite to show in
// its time stamps, is not read again.
Address ReadHeaderSender(const std::wstring& headerFile);

// A ";"-separated list of file paths, as the mail export ends each path
// with ";" (that last one is no name). Throws std::invalid_argument when
// the list holds an empty name (";;"). A file name may hold ";" itself: the
// pieces may have to be joined again (HeldAttachments does).
std::vector<std::wstring> SplitPathList(const std::wstring& list);
std::wstring FileNameOf(const std::wstring& path);

// The export date text "M/D/YYYY hh:mm AM" as a FILETIME (UTC). The
// exporters write the stored time 5 h 30 min ahead of UTC with a 24-hour
// hour and an AM/PM word; a 12-hour hour with PM is read as afternoon too.
// 0 for an empty text or one that is not such a date.
uint64_t FileTimeFromExportDate(const std::wstring& text);

}  // namespace components
