#include "terminal_text.h"

#include "text_encoding.h"

#include <array>
#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qor {

namespace {

void appendHex(std::string& out, const char* prefix, unsigned value, int digits)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out += prefix;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

// The C escape of a C0 control or DEL.
void appendControl(std::string& out, unsigned char c)
{
    static constexpr std::array<char, 14> kNamed{'\0', '\0', '\0', '\0', '\0', '\0', '\0', 'a', 'b', 't', 'n', 'v', 'f', 'r'};
    if (c < kNamed.size() && kNamed[c] != '\0') {
        out += '\\';
        out += kNamed[c];
    } else if (c == 0x1B) {
        out += "\\e";
    } else {
        appendHex(out, "\\x", c, 2);
    }
}

// How many bytes the UTF-8 sequence at the start of `text` takes, 0 when it is not valid.
std::size_t sequenceLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || length > text.size() || !isValidUtf8(text.substr(0, length)))
        return 0;
    return length;
}

} // namespace

std::string terminalText(std::string_view text, EscapeStyle style)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = sequenceLength(text.substr(i));
            if (length == 0) {
                appendHex(out, "\\x", c, 2);
                ++i;
                continue;
            }
            const auto second = static_cast<unsigned char>(text[i + 1]);
            if (c == 0xC2 && second <= 0x9F) // U+0080 to U+009F, the C1 controls
                appendHex(out, "\\u", second, 4);
            else
                out.append(text.substr(i, length));
            i += length;
            continue;
        }
        const bool keptAsItIs = style == EscapeStyle::FileFormat && (c == '\n' || c == '\r');
        if (c == '\\' && style == EscapeStyle::Listing)
            out += "\\\\";
        else if ((c < 0x20 || c == 0x7F) && !keptAsItIs)
            appendControl(out, c);
        else
            out += static_cast<char>(c);
        ++i;
    }
    return out;
}

bool standardOutputIsTerminal()
{
#if defined(_WIN32)
    return _isatty(_fileno(stdout)) != 0;
#else
    return ::isatty(STDOUT_FILENO) != 0;
#endif
}

} // namespace qor
