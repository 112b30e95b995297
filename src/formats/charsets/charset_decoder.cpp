#include "charset_decoder.h"

#include "system_charset.h"
#include "text_encoding.h"

#include <array>
#include <charconv>

namespace qor {

namespace {

// A charset's name folded for comparison: upper-case letters and digits only, so "Shift_JIS",
// "shift-jis" and "SHIFTJIS" are one name.
std::string folded(std::string_view name)
{
    std::string key;
    key.reserve(name.size());
    for (char c : name) {
        if (c >= 'a' && c <= 'z')
            key += static_cast<char>(c - 'a' + 'A');
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            key += c;
    }
    return key;
}

bool isAny(std::string_view key, std::initializer_list<std::string_view> names)
{
    for (std::string_view n : names)
        if (key == n)
            return true;
    return false;
}

bool isUtf8Key(std::string_view key)
{
    return isAny(key, {"", "UTF8", "USASCII", "ASCII", "ANSIX341968", "ISO646US", "US", "CSASCII", "XUTF8"});
}

bool isWindows1252Key(std::string_view key)
{
    return isAny(key, {"WINDOWS1252", "CP1252", "XCP1252", "MSANSI", "ISO88591", "ISO885911987", "LATIN1", "L1",
                       "CSISOLATIN1", "IBM819", "CP819", "88591"});
}

// How the system knows a charset: iconv's name and Windows's code page.
struct SystemName {
    std::string iconv;
    unsigned codePage = 0;
};

struct KnownCharset {
    std::string_view key;
    std::string_view iconv;
    unsigned codePage;
};

// Names writers use, and what the systems call them; a name not here goes to iconv as it is.
constexpr std::array kKnown{
    KnownCharset{"SHIFTJIS", "CP932", 932}, KnownCharset{"SJIS", "CP932", 932}, KnownCharset{"XSJIS", "CP932", 932},
    KnownCharset{"MSKANJI", "CP932", 932}, KnownCharset{"CSSHIFTJIS", "CP932", 932},
    KnownCharset{"WINDOWS31J", "CP932", 932}, KnownCharset{"CP932", "CP932", 932},
    KnownCharset{"EUCJP", "EUC-JP", 20932}, KnownCharset{"XEUCJP", "EUC-JP", 20932},
    KnownCharset{"ISO2022JP", "ISO-2022-JP", 50220}, KnownCharset{"CSISO2022JP", "ISO-2022-JP", 50220},
    KnownCharset{"GB2312", "GBK", 936}, KnownCharset{"CSGB2312", "GBK", 936}, KnownCharset{"EUCCN", "GBK", 936},
    KnownCharset{"GBK", "GBK", 936}, KnownCharset{"XGBK", "GBK", 936}, KnownCharset{"CP936", "GBK", 936},
    KnownCharset{"MS936", "GBK", 936}, KnownCharset{"WINDOWS936", "GBK", 936},
    KnownCharset{"GB18030", "GB18030", 54936},
    KnownCharset{"BIG5", "BIG5", 950}, KnownCharset{"CSBIG5", "BIG5", 950}, KnownCharset{"XXBIG5", "BIG5", 950},
    KnownCharset{"CP950", "BIG5", 950}, KnownCharset{"BIG5HKSCS", "BIG5-HKSCS", 950},
    KnownCharset{"EUCKR", "CP949", 949}, KnownCharset{"CSEUCKR", "CP949", 949}, KnownCharset{"KSC5601", "CP949", 949},
    KnownCharset{"KSC56011987", "CP949", 949}, KnownCharset{"CP949", "CP949", 949}, KnownCharset{"UHC", "CP949", 949},
    KnownCharset{"KOI8R", "KOI8-R", 20866}, KnownCharset{"CSKOI8R", "KOI8-R", 20866},
    KnownCharset{"KOI8U", "KOI8-U", 21866},
    KnownCharset{"MACINTOSH", "MACINTOSH", 10000}, KnownCharset{"MACROMAN", "MACINTOSH", 10000},
    KnownCharset{"XMACROMAN", "MACINTOSH", 10000}, KnownCharset{"MAC", "MACINTOSH", 10000},
    KnownCharset{"TIS620", "TIS-620", 874}, KnownCharset{"UTF7", "UTF-7", 65000},
};

// ISO-8859-N as Windows numbers it (Windows has no -10, -12, -14 or -16).
constexpr std::array<unsigned, 17> kIso8859CodePages{0,     28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598,
                                                     28599, 0,     874,   0,     28603, 0,     28605, 0};

unsigned numberAfter(std::string_view key, std::string_view prefix)
{
    if (!key.starts_with(prefix) || key.size() == prefix.size() || key.size() > prefix.size() + 5)
        return 0;
    unsigned n = 0;
    const auto [end, error] = std::from_chars(key.data() + prefix.size(), key.data() + key.size(), n);
    return error == std::errc() && end == key.data() + key.size() ? n : 0;
}

SystemName systemName(std::string_view declared, const std::string& key)
{
    for (const KnownCharset& known : kKnown)
        if (key == known.key)
            return {std::string(known.iconv), known.codePage};
    if (const unsigned part = numberAfter(key, "ISO8859"); part > 0 && part < kIso8859CodePages.size())
        return {"ISO-8859-" + std::to_string(part), kIso8859CodePages[part]};
    for (std::string_view prefix : {"WINDOWS", "XCP", "CP", "IBM", "MSCP"})
        if (const unsigned page = numberAfter(key, prefix); page > 0)
            return {(page >= 1250 && page <= 1258 ? "WINDOWS-" : "CP") + std::to_string(page), page};
    return {std::string(declared), 0};
}

// UTF-16 in the order its byte-order mark gives, else the one its NUL bytes show (ASCII text
// has its zeros in the high bytes), else big-endian as RFC 2781 says.
std::string fromUtf16(std::string_view bytes, std::string_view key)
{
    bool bigEndian = key != "UTF16LE";
    if (key == "UTF16" || key == "UCS2" || key == "UNICODE") {
        if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
            bigEndian = bytes[0] == '\xFE';
            bytes.remove_prefix(2);
        } else {
            std::size_t evenZeros = 0, oddZeros = 0;
            for (std::size_t i = 0; i < bytes.size(); ++i)
                (i % 2 == 0 ? evenZeros : oddZeros) += bytes[i] == '\0';
            bigEndian = evenZeros >= oddZeros;
        }
    }
    return utf16ToUtf8(bytes, bigEndian);
}

// Whether every byte of `bytes` means the same in any ASCII-based charset: no byte of 0x80 and
// above, and no ESC (ISO-2022 switches with it).
bool isPlainAscii(std::string_view bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\x1B')
            return false;
    return true;
}

void keepBytes(std::string_view bytes, std::string& out)
{
    if (isValidUtf8(bytes)) {
        out.assign(bytes);
        return;
    }
    constexpr char kHex[] = "0123456789ABCDEF";
    out.clear();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
}

} // namespace

CharsetDecoder::CharsetDecoder() = default;
CharsetDecoder::~CharsetDecoder() = default;

bool CharsetDecoder::namesUtf8(std::string_view charset) { return isUtf8Key(folded(charset)); }

bool CharsetDecoder::decode(std::string_view charset, std::string_view bytes, std::string& out)
{
    const std::string key = folded(charset);
    if (isUtf8Key(key)) {
        out = isValidUtf8(bytes) ? std::string(bytes) : windows1252ToUtf8(bytes);
        return true;
    }
    if (isWindows1252Key(key)) {
        out = windows1252ToUtf8(bytes);
        return true;
    }
    if (isAny(key, {"UTF16", "UTF16LE", "UTF16BE", "UCS2", "UNICODE"})) {
        out = fromUtf16(bytes, key);
        return true;
    }
    if (key != "UTF7" && isPlainAscii(bytes)) {
        out.assign(bytes);
        return true;
    }
    if (m_system == nullptr || key != m_key) {
        const SystemName name = systemName(charset, key);
        m_system = std::make_unique<SystemCharset>(name.iconv, name.codePage);
        m_key = key;
    }
    if (m_system->toUtf8(bytes, out))
        return true;
    keepBytes(bytes, out);
    return false;
}

} // namespace qor
