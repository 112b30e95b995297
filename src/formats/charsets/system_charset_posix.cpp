// A charset converted to UTF-8 by iconv, on POSIX systems.
#ifndef _WIN32
#include "system_charset.h"

#include <cerrno>

#include <iconv.h>

namespace qor {

namespace {

iconv_t converterOf(void* handle) { return static_cast<iconv_t>(handle); }

} // namespace

SystemCharset::SystemCharset(const std::string& iconvName, unsigned codePage) : m_codePage(codePage)
{
    const iconv_t converter = ::iconv_open("UTF-8", iconvName.c_str());
    if (converter != reinterpret_cast<iconv_t>(-1))
        m_converter = converter;
}

SystemCharset::~SystemCharset()
{
    if (m_converter != nullptr)
        ::iconv_close(converterOf(m_converter));
}

bool SystemCharset::isOpen() const { return m_converter != nullptr; }

bool SystemCharset::toUtf8(std::string_view bytes, std::string& out)
{
    if (m_converter == nullptr)
        return false;
    const iconv_t converter = converterOf(m_converter);
    ::iconv(converter, nullptr, nullptr, nullptr, nullptr); // back to the initial shift state
    // Three bytes of UTF-8 a byte is enough for every charset but the rarest; more is made
    // when it is not.
    out.resize(bytes.size() * 3 + 16);
    char* in = const_cast<char*>(bytes.data()); // iconv's signature; it does not write there
    std::size_t inLeft = bytes.size();
    std::size_t done = 0;
    bool reading = true; // then once more with nothing to read: a stateful charset (ISO-2022-JP)
                         // writes out what it holds
    for (;;) {
        char* o = out.data() + done;
        std::size_t outLeft = out.size() - done;
        const std::size_t result = reading ? ::iconv(converter, &in, &inLeft, &o, &outLeft)
                                           : ::iconv(converter, nullptr, nullptr, &o, &outLeft);
        done = static_cast<std::size_t>(o - out.data());
        if (result == static_cast<std::size_t>(-1)) {
            if (errno != E2BIG)
                return false; // EILSEQ: not of the charset; EINVAL: cut short at the end
            out.resize(out.size() * 2);
        } else if (reading) {
            reading = false; // iconv succeeds only when it has read everything
        } else {
            break;
        }
    }
    out.resize(done);
    return true;
}

} // namespace qor
#endif
