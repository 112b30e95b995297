#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace qor {

class SystemCharset;

// Turns a value in the charset a card declares (vCard 2.1's and 3.0's CHARSET=) into UTF-8,
// before its escapes are read: Shift_JIS's second bytes may be 0x5C, a backslash in ASCII.
//
// UTF-8 and ASCII, Windows-1252 (and ISO-8859-1, read as it, as browsers do) and UTF-16 are
// decoded here; every other charset (Shift_JIS, EUC-JP, ISO-2022-JP, GB2312, GBK, GB18030,
// Big5, EUC-KR, KOI8-R, ISO-8859-2 to -16, windows-125x, ...) by the system's converter (see
// system_charset.h), which this keeps open from one value to the next of the same charset.
// Japanese, Chinese and Korean names are read as Windows reads them (Shift_JIS as code page
// 932, GB2312 as GBK, EUC-KR as 949): writers label text so, and 932 keeps 0x5C a backslash.
class CharsetDecoder {
public:
    CharsetDecoder();
    ~CharsetDecoder();
    CharsetDecoder(const CharsetDecoder&) = delete;
    CharsetDecoder& operator=(const CharsetDecoder&) = delete;

    // Whether `charset` names UTF-8 or ASCII (or nothing): text that needs no decoding.
    static bool namesUtf8(std::string_view charset);

    // `bytes`, declared to be in `charset`, as UTF-8 in `out`. Text in UTF-8 or ASCII is kept,
    // or read as Windows-1252 where it is not valid UTF-8. False when the charset is one the
    // system cannot convert, or `bytes` are not text of it; `out` then keeps the bytes
    // themselves, never a guess: as they are where they are UTF-8, else with every byte of 0x80
    // and above written "\xHH". A value of ASCII alone is never refused.
    bool decode(std::string_view charset, std::string_view bytes, std::string& out);

private:
    std::string m_key; // the folded name of the charset m_system converts
    std::unique_ptr<SystemCharset> m_system;
};

} // namespace qor
