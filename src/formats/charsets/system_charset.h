#pragma once

#include <string>
#include <string_view>

namespace qor {

// One charset as the system converts it to UTF-8: iconv (in the C library) on POSIX,
// MultiByteToWideChar on Windows, so the core links nothing new. Made for one reader and used
// for many values; a charset the system does not know gives a converter that is not open.
class SystemCharset {
public:
    // `iconvName` is what iconv is asked for; `codePage` is the Windows code page (0: none).
    SystemCharset(const std::string& iconvName, unsigned codePage);
    ~SystemCharset();
    SystemCharset(const SystemCharset&) = delete;
    SystemCharset& operator=(const SystemCharset&) = delete;

    bool isOpen() const;
    // `bytes` as UTF-8 in `out`. False, `out` unspecified, when the charset is not open or
    // `bytes` holds a sequence the charset does not have (or ends inside one).
    bool toUtf8(std::string_view bytes, std::string& out);

private:
    void* m_converter = nullptr; // iconv_t on POSIX
    unsigned m_codePage = 0;     // Windows
};

} // namespace qor
