// A charset converted to UTF-8 by MultiByteToWideChar, on Windows.
#ifdef _WIN32
#include "system_charset.h"

#include <climits>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace qor {

namespace {

// Code pages that refuse MB_ERR_INVALID_CHARS (the ISO-2022 family, UTF-7, Symbol): they are
// converted without it, and a byte they do not have becomes a replacement character.
bool takesNoFlags(unsigned codePage)
{
    return codePage == 42 || (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011)
        || codePage == 65000;
}

// The code page to convert with: GB18030 (54936) is a superset of GBK (936), and a system
// without it (Wine) still reads the GBK part of it; a four-byte sequence then fails and is
// reported as not decoded.
unsigned usableCodePage(unsigned codePage)
{
    if (codePage != 0 && IsValidCodePage(codePage))
        return codePage;
    if (codePage == 54936 && IsValidCodePage(936))
        return 936;
    return 0;
}

} // namespace

SystemCharset::SystemCharset(const std::string&, unsigned codePage) : m_codePage(usableCodePage(codePage)) {}

SystemCharset::~SystemCharset() = default;

bool SystemCharset::isOpen() const { return m_codePage != 0; }

bool SystemCharset::toUtf8(std::string_view bytes, std::string& out)
{
    out.clear();
    if (m_codePage == 0 || bytes.size() > INT_MAX / 4)
        return false;
    if (bytes.empty())
        return true;
    const DWORD flags = takesNoFlags(m_codePage) ? 0 : MB_ERR_INVALID_CHARS;
    const int size = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(m_codePage, flags, bytes.data(), size, nullptr, 0);
    if (units <= 0)
        return false; // ERROR_NO_UNICODE_TRANSLATION: a byte sequence the code page does not have
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(m_codePage, flags, bytes.data(), size, wide.data(), units) != units)
        return false;
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    out.resize(static_cast<std::size_t>(length));
    return WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, out.data(), length, nullptr, nullptr) == length;
}

} // namespace qor
#endif
