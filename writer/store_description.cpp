#include "writer/store_description.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "format/props.h"

namespace writer {

std::u16string Utf8ToUtf16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = c;
        int extra = 0;
        if (c >= 0xF0) { cp = c & 0x07; extra = 3; }
        else if (c >= 0xE0) { cp = c & 0x0F; extra = 2; }
        else if (c >= 0xC0) { cp = c & 0x1F; extra = 1; }
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i) cp = (cp << 6) | (s[i] & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

namespace {

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Days from 1601-01-01 to a civil date (proleptic Gregorian).
int64_t DaysFrom1601(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 134774;       // 134774 days from 1601 to 1970
}

Bytes ParseHex(const std::string& s) {
    Bytes out;
    std::string digits;
    for (char c : s)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return out;
}

Bytes Le(uint64_t v, size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
    return b;
}

// The bytes of a value of the given property type, written as text.
Bytes ParseValue(Variant variant, uint16_t type, const std::string& text) {
    switch (type) {
    case fmt::kPtBoolean: return Le(text == "true" || text == "1" ? 1 : 0, 1);
    case fmt::kPtInteger16: return Le(static_cast<uint64_t>(std::stoll(text, nullptr, 0)), 2);
    case fmt::kPtInteger32: case fmt::kPtErrorCode:
        return Le(static_cast<uint64_t>(std::stoll(text, nullptr, 0)), 4);
    case fmt::kPtInteger64: return Le(static_cast<uint64_t>(std::stoll(text, nullptr, 0)), 8);
    case fmt::kPtTime: return Le(ParseFileTime(text), 8);
    case fmt::kPtUnicode: case fmt::kPtString8:
        return TextBytes(variant, Utf8ToUtf16(Unescape(text)));
    default: return ParseHex(text);
    }
}

const Guid& PropertySetGuid(const std::string& name) {
    static const std::map<std::string, const Guid*> sets = {
        {"appointment", &kPsetidAppointment}, {"task", &kPsetidTask},
        {"address", &kPsetidAddress},         {"common", &kPsetidCommon},
        {"log", &kPsetidLog},                 {"note", &kPsetidNote},
        {"mapi", &kPsMapi},                   {"public", &kPsPublicStrings},
        {"internet", &kPsInternetHeaders}};
    auto it = sets.find(name);
    if (it == sets.end()) throw DescriptionError("unknown property set: " + name);
    return *it->second;
}

// "Name <email>" -> name, email.
void SplitAddress(const std::string& s, std::u16string& name, std::u16string& email) {
    const size_t lt = s.find('<'), gt = s.find('>');
    if (lt == std::string::npos || gt == std::string::npos || gt < lt) {
        name = email = Utf8ToUtf16(s);
        return;
    }
    std::string n = s.substr(0, lt);
    while (!n.empty() && n.back() == ' ') n.pop_back();
    name = Utf8ToUtf16(n);
    email = Utf8ToUtf16(s.substr(lt + 1, gt - lt - 1));
}

std::pair<std::string, std::string> Split(const std::string& s) {
    const size_t sp = s.find(' ');
    if (sp == std::string::npos) return {s, ""};
    return {s.substr(0, sp), s.substr(sp + 1)};
}

// "PATH [CLASS]" of the folder and message lines: a path may hold blanks, so
// the class is the last word, and only a word that reads as a class is one.
bool IsClassWord(const std::string& word) {
    return word == "IPF" || word == "IPM" || word.rfind("IPF.", 0) == 0 || word.rfind("IPM.", 0) == 0 ||
           word.rfind("REPORT.", 0) == 0;
}

std::pair<std::string, std::string> SplitPathAndClass(const std::string& s) {
    const size_t sp = s.rfind(' ');
    if (sp == std::string::npos || !IsClassWord(s.substr(sp + 1))) return {s, ""};
    std::string path = s.substr(0, sp);
    while (!path.empty() && path.back() == ' ') path.pop_back();
    return {path, s.substr(sp + 1)};
}

}  // namespace

uint64_t ParseFileTime(const std::string& s) {
    int y, mo, d, h = 0, mi = 0, se = 0;
    if (std::sscanf(s.c_str(), "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &se) < 3)
        throw DescriptionError("bad time: " + s);
    const int64_t seconds = DaysFrom1601(y, mo, d) * 86400 + h * 3600 + mi * 60 + se;
    return static_cast<uint64_t>(seconds) * 10000000ull;
}

StoreDescription::StoreDescription() = default;
StoreDescription::~StoreDescription() = default;

std::vector<uint8_t> StoreFromDescription(const std::string& text) {
    StoreDescription description;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    try {
        while (std::getline(in, line)) {
            ++number;
            description.Line(line);
        }
    } catch (const std::exception& e) {
        throw DescriptionError("line " + std::to_string(number) + ": " + e.what());
    }
    return description.Builder().WriteMemory();
}

void StoreDescription::Line(const std::string& raw) {
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') return;
    line = line.substr(start);
    const size_t sp = line.find(' ');
    const std::string cmd = line.substr(0, sp);
    const std::string rest = sp == std::string::npos ? "" : line.substr(sp + 1);
    Command(cmd, rest);
}

StoreBuilder& StoreDescription::Builder() {
    if (!builder_) {
        builder_ = std::make_unique<StoreBuilder>(options_, storeName_);
        // Test stores: equal descriptions give messages equal times.
        builder_->SetDefaultTime(kDefaultFileTime);
    }
    return *builder_;
}

Message& StoreDescription::Current() {
    if (!message_) throw DescriptionError("no message for this line");
    return embedded_ ? *embedded_ : *message_;
}

uint32_t StoreDescription::Folder(const std::string& path, const std::string& cls) {
    uint32_t parent = Builder().IpmSubtree();
    std::string sofar;
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty()) continue;
        sofar += "/" + part;
        auto it = folders_.find(sofar);
        if (it == folders_.end()) {
            const uint32_t nid = Builder().AddFolder(parent, Utf8ToUtf16(part), cls);
            it = folders_.emplace(sofar, nid).first;
        }
        parent = it->second;
    }
    return parent;
}

void StoreDescription::Command(const std::string& cmd, const std::string& rest) {
    if (cmd == "variant" || cmd == "crypt" || cmd == "ost" || cmd == "name") {
        if (builder_) throw DescriptionError(cmd + " must come before folders and messages");
        if (cmd == "variant") options_.variant = rest == "ansi" ? Variant::Ansi : Variant::Unicode;
        if (cmd == "crypt") options_.cryptMethod = rest == "none" ? 0 : rest == "cyclic" ? 2 : 1;
        if (cmd == "ost") options_.ost = rest == "yes";
        if (cmd == "name") storeName_ = Utf8ToUtf16(rest);
    } else if (cmd == "folder") {
        auto pc = SplitPathAndClass(rest);
        Folder(pc.first, pc.second.empty() ? "IPF.Note" : pc.second);
        message_ = nullptr;
        embedded_ = nullptr;
    } else if (cmd == "message") {
        auto pc = SplitPathAndClass(rest);
        message_ = &Builder().AddMessage(Folder(pc.first, "IPF.Note"), pc.second.empty() ? "IPM.Note" : pc.second);
        embedded_ = nullptr;
    } else if (cmd == "subject") {
        Current().SetSubject(Utf8ToUtf16(rest));
    } else if (cmd == "subject-prefix") {
        auto nt = Split(rest);
        Current().SetSubjectWithPrefix(Utf8ToUtf16(nt.second), std::stoul(nt.first));
    } else if (cmd == "named-strings") {
        auto a = Split(rest);
        auto b = Split(a.second);
        std::vector<std::u16string> values;
        std::stringstream parts(b.second);
        std::string part;
        while (std::getline(parts, part, '|')) values.push_back(Utf8ToUtf16(part));
        PropertySet& props = Current().Props();
        props.SetMultiString(Current().Named(PropertySetGuid(a.first), Utf8ToUtf16(b.first)), values);
    } else if (cmd == "body") {
        Current().SetBody(Utf8ToUtf16(Unescape(rest)));
    } else if (cmd == "html") {
        Current().SetHtmlBody(Unescape(rest));
    } else if (cmd == "rtf") {
        Current().SetRtfBody(Unescape(rest));
    } else if (cmd == "unread") {
        Current().SetRead(false);
    } else if (cmd == "sender" || cmd == "to" || cmd == "cc" || cmd == "bcc") {
        std::u16string name, email;
        SplitAddress(rest, name, email);
        if (cmd == "sender") Current().SetSender(name, email);
        else Current().AddRecipient(name, email, cmd == "to" ? 1 : cmd == "cc" ? 2 : 3);
    } else if (cmd == "attach") {
        auto nv = Split(rest);
        const std::string text = Unescape(nv.second);
        Current().AddAttachment(Utf8ToUtf16(nv.first), Bytes(text.begin(), text.end()));
    } else if (cmd == "attach-file") {
        auto nv = Split(rest);
        std::ifstream in(nv.second, std::ios::binary);
        if (!in) throw DescriptionError("cannot read " + nv.second);
        Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Current().AddAttachment(Utf8ToUtf16(nv.first), std::move(data));
    } else if (cmd == "attach-size") {
        auto nv = Split(rest);
        Bytes data(std::stoul(nv.second));
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>('a' + i % 26);
        Current().AddAttachment(Utf8ToUtf16(nv.first), std::move(data));
    } else if (cmd == "embedded") {
        if (!message_) throw DescriptionError("embedded needs a message");
        embedded_ = &message_->AddEmbeddedMessage(Utf8ToUtf16(rest), "IPM.Note");
    } else if (cmd == "end-embedded") {
        embedded_ = nullptr;
    } else if (cmd == "prop") {
        auto tv = Split(rest);
        const uint32_t tag = static_cast<uint32_t>(std::stoul(tv.first, nullptr, 16));
        const uint32_t typed = TagForVariant(options_.variant, tag);
        Current().SetProperty(typed, ParseValue(options_.variant, fmt::TagType(typed), tv.second));
    } else if (cmd == "named" || cmd == "named-string") {
        auto a = Split(rest);
        auto b = Split(a.second);
        auto c = Split(b.second);
        const Guid& guid = PropertySetGuid(a.first);
        const uint16_t id = cmd == "named"
            ? Current().Named(guid, static_cast<uint32_t>(std::stoul(b.first, nullptr, 0)))
            : Current().Named(guid, Utf8ToUtf16(b.first));
        const uint32_t typed = TagForVariant(
            options_.variant, fmt::MakeTag(id, static_cast<uint16_t>(std::stoul(c.first, nullptr, 16))));
        Current().SetProperty(typed, ParseValue(options_.variant, fmt::TagType(typed), c.second));
    } else {
        throw DescriptionError("unknown command: " + cmd);
    }
}

}  // namespace writer
