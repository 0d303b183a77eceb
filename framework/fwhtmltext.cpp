// Local files as readable text for the control site's text view: the file's
// character set, and HTML markup reduced to text.
#include "framework/fwocc.h"

#include <cctype>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// Files above this size are shown up to it.
constexpr DWORD kMaxFileBytes = 32u << 20;

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

bool EndsWithNoCase(const std::wstring& s, const wchar_t* suffix) {
    const size_t n = std::wcslen(suffix);
    return s.size() >= n && Lower(s.substr(s.size() - n)) == suffix;
}

std::wstring Decode(const std::vector<BYTE>& bytes, size_t start, UINT codePage) {
    if (start >= bytes.size()) return std::wstring();
    const char* p = reinterpret_cast<const char*>(bytes.data() + start);
    const int n = static_cast<int>(bytes.size() - start);
    int units = ::MultiByteToWideChar(codePage, 0, p, n, nullptr, 0);
    if (units <= 0) {
        codePage = CP_ACP;
        units = ::MultiByteToWideChar(codePage, 0, p, n, nullptr, 0);
    }
    std::wstring out(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) ::MultiByteToWideChar(codePage, 0, p, n, &out[0], units);
    return out;
}

// The code page of a character-set name, 0 when unknown.
UINT CodePageOfCharset(std::wstring name) {
    name = Lower(name);
    struct Entry {
        const wchar_t* name;
        UINT codePage;
    };
    static const Entry kCharsets[] = {
        {L"utf-8", 65001},        {L"utf8", 65001},         {L"us-ascii", 20127},      {L"iso-8859-1", 1252},
        {L"latin1", 1252},        {L"iso-8859-2", 28592},   {L"iso-8859-5", 28595},    {L"iso-8859-7", 28597},
        {L"iso-8859-9", 28599},   {L"iso-8859-15", 28605},  {L"koi8-r", 20866},        {L"koi8-u", 21866},
        {L"shift_jis", 932},      {L"shift-jis", 932},      {L"sjis", 932},            {L"x-sjis", 932},
        {L"euc-jp", 20932},       {L"iso-2022-jp", 50220},  {L"gb2312", 936},          {L"gbk", 936},
        {L"gb18030", 54936},      {L"big5", 950},           {L"euc-kr", 949},          {L"ks_c_5601-1987", 949},
    };
    for (const Entry& e : kCharsets)
        if (name == e.name) return e.codePage;
    if (name.compare(0, 8, L"windows-") == 0) return static_cast<UINT>(std::wcstoul(name.c_str() + 8, nullptr, 10));
    return 0;
}

// The character set an HTML file declares near its start ("charset=...").
UINT DeclaredCodePage(const std::vector<BYTE>& bytes) {
    const size_t n = bytes.size() < 4096 ? bytes.size() : 4096;
    std::string head(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    for (char& c : head) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    size_t at = head.find("charset=");
    if (at == std::string::npos) return 0;
    at += 8;
    while (at < head.size() && (head[at] == '"' || head[at] == '\'' || head[at] == ' ')) ++at;
    std::wstring name;
    while (at < head.size() && (std::isalnum(static_cast<unsigned char>(head[at])) || head[at] == '-' || head[at] == '_'))
        name += static_cast<wchar_t>(head[at++]);
    return CodePageOfCharset(name);
}

bool IsUtf8(const std::vector<BYTE>& bytes, size_t start) {
    if (start >= bytes.size()) return true;
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes.data() + start),
                                 static_cast<int>(bytes.size() - start), nullptr, 0) > 0;
}

// UTF-16LE without a mark: the files of plain bodies. Most text has a zero
// high byte in many of its units; 8-bit text has no zero bytes at all.
bool LooksUtf16(const std::vector<BYTE>& bytes) {
    if (bytes.size() < 2 || bytes.size() % 2) return false;
    size_t zeros = 0;
    for (size_t i = 1; i < bytes.size(); i += 2) zeros += bytes[i] == 0;
    return zeros * 4 >= bytes.size() / 2;
}

struct NamedEntity {
    const wchar_t* name;
    wchar_t ch;
};
const NamedEntity kEntities[] = {
    {L"amp", L'&'},       {L"lt", L'<'},         {L"gt", L'>'},         {L"quot", L'"'},       {L"apos", L'\''},
    {L"nbsp", L' '},      {L"copy", 0x00A9},     {L"reg", 0x00AE},      {L"trade", 0x2122},    {L"hellip", 0x2026},
    {L"mdash", 0x2014},   {L"ndash", 0x2013},    {L"lsquo", 0x2018},    {L"rsquo", 0x2019},    {L"ldquo", 0x201C},
    {L"rdquo", 0x201D},   {L"bull", 0x2022},     {L"middot", 0x00B7},   {L"euro", 0x20AC},     {L"pound", 0x00A3},
    {L"yen", 0x00A5},     {L"cent", 0x00A2},     {L"sect", 0x00A7},     {L"deg", 0x00B0},      {L"laquo", 0x00AB},
    {L"raquo", 0x00BB},   {L"times", 0x00D7},    {L"divide", 0x00F7},   {L"shy", 0},           {L"zwnj", 0},
    {L"auml", 0x00E4},    {L"ouml", 0x00F6},     {L"uuml", 0x00FC},     {L"Auml", 0x00C4},     {L"Ouml", 0x00D6},
    {L"Uuml", 0x00DC},    {L"szlig", 0x00DF},    {L"eacute", 0x00E9},   {L"egrave", 0x00E8},   {L"agrave", 0x00E0},
    {L"ccedil", 0x00E7},  {L"aacute", 0x00E1},   {L"oacute", 0x00F3},   {L"iacute", 0x00ED},   {L"uacute", 0x00FA},
    {L"ntilde", 0x00F1},
};

// Decodes the entity at html[i] ('&'); appends it and returns the index after
// it, or appends '&' alone when it is not one.
size_t DecodeEntity(const wchar_t* html, size_t length, size_t i, std::wstring& out) {
    size_t j = i + 1;
    if (j < length && html[j] == L'#') {
        ++j;
        const bool hex = j < length && (html[j] == L'x' || html[j] == L'X');
        if (hex) ++j;
        unsigned long code = 0;
        size_t digits = 0;
        while (j < length && digits < 8 && (hex ? std::iswxdigit(html[j]) : std::iswdigit(html[j]))) {
            code = code * (hex ? 16 : 10) + (std::iswdigit(html[j]) ? html[j] - L'0' : (std::towlower(html[j]) - L'a' + 10));
            ++j;
            ++digits;
        }
        if (digits == 0) {
            out += L'&';
            return i + 1;
        }
        if (j < length && html[j] == L';') ++j;
        if (code == 0xA0) code = L' ';
        if (code > 0 && code < 0x10000) out += static_cast<wchar_t>(code);
        else if (code >= 0x10000 && code <= 0x10FFFF) {
            code -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (code >> 10));
            out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        }
        return j;
    }
    std::wstring name;
    while (j < length && name.size() < 10 && std::iswalnum(html[j])) name += html[j++];
    for (const NamedEntity& e : kEntities) {
        if (name == e.name) {
            if (j < length && html[j] == L';') ++j;
            if (e.ch) out += e.ch;
            return j;
        }
    }
    out += L'&';
    return i + 1;
}

// Elements whose content is not shown.
bool IsHiddenElement(const std::wstring& tag) {
    return tag == L"script" || tag == L"style" || tag == L"head" || tag == L"title" || tag == L"xml" ||
           tag == L"object" || tag == L"template";
}

// Elements set apart from the text around them by an empty line.
bool IsParagraphElement(const std::wstring& tag) {
    static const wchar_t* const kParagraphs[] = {L"p",  L"h1", L"h2",    L"h3",         L"h4", L"h5", L"h6",
                                                 L"pre", L"hr", L"table", L"blockquote", L"ul", L"ol", L"dl"};
    for (const wchar_t* p : kParagraphs)
        if (tag == p) return true;
    return false;
}

// Elements that begin and end a line of their own.
bool IsLineElement(const std::wstring& tag) {
    static const wchar_t* const kLines[] = {L"div", L"tr",   L"li",      L"dt",     L"dd",     L"address", L"body",
                                            L"form", L"center", L"section", L"article", L"header", L"footer"};
    for (const wchar_t* l : kLines)
        if (tag == l) return true;
    return false;
}

class TextBuilder {
public:
    void Char(wchar_t c, bool pre) {
        if (!pre && (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x00A0)) {
            m_pendingSpace = true;
            return;
        }
        if (pre && c == L'\r') return;
        if (pre && c == L'\n') {
            LineBreak();
            return;
        }
        if (m_pendingSpace && !AtLineStart()) m_out += L' ';
        m_pendingSpace = false;
        m_out += c;
    }
    void Text(const std::wstring& s, bool pre) {
        for (wchar_t c : s) Char(c, pre);
    }
    void LineBreak() {
        m_out += L"\r\n";
        m_pendingSpace = false;
    }
    void EndLine() {
        m_pendingSpace = false;
        if (!AtLineStart()) m_out += L"\r\n";
    }
    void Paragraph() {
        EndLine();
        if (!AfterEmptyLine()) m_out += L"\r\n";
    }
    void Cell() { m_pendingSpace = true; }
    std::wstring Take() {
        while (m_out.size() >= 2 && m_out.compare(m_out.size() - 2, 2, L"\r\n") == 0) m_out.resize(m_out.size() - 2);
        return m_out;
    }

private:
    bool AtLineStart() const { return m_out.empty() || m_out.back() == L'\n'; }
    bool AfterEmptyLine() const {
        return m_out.empty() || (m_out.size() >= 3 && m_out.compare(m_out.size() - 3, 3, L"\n\r\n") == 0);
    }
    std::wstring m_out;
    bool m_pendingSpace = false;
};

}  // namespace

CString AfxHtmlToText(LPCWSTR html, size_t length) {
    TextBuilder text;
    std::wstring hidden;   // the element whose content is being skipped
    int preDepth = 0;
    size_t i = 0;
    while (i < length) {
        const wchar_t c = html[i];
        if (c == L'<') {
            // Comments, declarations and processing instructions.
            if (i + 3 < length && html[i + 1] == L'!' && html[i + 2] == L'-' && html[i + 3] == L'-') {
                const wchar_t* end = nullptr;
                for (size_t k = i + 4; k + 2 < length + 0 && !end; ++k)
                    if (html[k] == L'-' && html[k + 1] == L'-' && html[k + 2] == L'>') end = html + k + 3;
                i = end ? static_cast<size_t>(end - html) : length;
                continue;
            }
            size_t j = i + 1;
            const bool closing = j < length && html[j] == L'/';
            if (closing) ++j;
            std::wstring tag;
            while (j < length && (std::iswalnum(html[j]) || html[j] == L':')) tag += static_cast<wchar_t>(std::towlower(html[j++]));
            if (tag.empty() && !(j < length && (html[j] == L'!' || html[j] == L'?'))) {
                if (hidden.empty()) text.Char(c, preDepth > 0);   // a lone '<' is text
                ++i;
                continue;
            }
            // The tag ends at the first '>' outside quoted attribute values.
            wchar_t quote = 0;
            while (j < length && (quote || html[j] != L'>')) {
                if (quote && html[j] == quote) quote = 0;
                else if (!quote && (html[j] == L'"' || html[j] == L'\'') && j > 0 && html[j - 1] == L'=') quote = html[j];
                ++j;
            }
            i = j < length ? j + 1 : length;
            if (!hidden.empty()) {
                if (closing && tag == hidden) hidden.clear();
                continue;
            }
            if (tag.empty()) continue;
            if (!closing && IsHiddenElement(tag)) {
                hidden = tag;
                continue;
            }
            if (tag == L"br") text.LineBreak();
            else if (tag == L"td" || tag == L"th") text.Cell();
            else if (IsParagraphElement(tag)) text.Paragraph();
            else if (IsLineElement(tag)) text.EndLine();
            if (tag == L"pre") preDepth += closing ? (preDepth > 0 ? -1 : 0) : 1;
            continue;
        }
        if (!hidden.empty()) {
            ++i;
            continue;
        }
        if (c == L'&') {
            std::wstring decoded;
            i = DecodeEntity(html, length, i, decoded);
            text.Text(decoded, preDepth > 0);
            continue;
        }
        text.Char(c, preDepth > 0);
        ++i;
    }
    const std::wstring out = text.Take();
    return CString(out.c_str(), static_cast<int>(out.size()));
}

CString AfxReadLocalFileAsText(LPCWSTR path) {
    if (!path || !*path) return CString();
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return CString();
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(file, &size);
    const DWORD want = size.QuadPart > kMaxFileBytes ? kMaxFileBytes : static_cast<DWORD>(size.QuadPart);
    std::vector<BYTE> bytes(want);
    DWORD got = 0;
    if (want && !::ReadFile(file, bytes.data(), want, &got, nullptr)) got = 0;
    ::CloseHandle(file);
    bytes.resize(got);

    std::wstring text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    } else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        text = Decode(bytes, 3, CP_UTF8);
    } else if (LooksUtf16(bytes)) {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    } else {
        UINT codePage = DeclaredCodePage(bytes);
        if (!codePage) codePage = IsUtf8(bytes, 0) ? CP_UTF8 : CP_ACP;
        text = Decode(bytes, 0, codePage);
    }
    const size_t zero = text.find(L'\0');
    if (zero != std::wstring::npos) text.resize(zero);

    const std::wstring name(path);
    if (EndsWithNoCase(name, L".html") || EndsWithNoCase(name, L".htm")) return AfxHtmlToText(text.c_str(), text.size());
    // Plain text: line ends as the text view wants them.
    std::wstring out;
    out.reserve(text.size());
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == L'\n' && (k == 0 || text[k - 1] != L'\r')) out += L'\r';
        out += text[k];
    }
    return CString(out.c_str(), static_cast<int>(out.size()));
}
