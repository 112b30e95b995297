#include "text_meter.h"

namespace qor {

TextMeter::TextMeter(HFONT font, int margins) : m_dc(CreateCompatibleDC(nullptr)), m_margins(margins)
{
    m_oldFont = SelectObject(m_dc, font);
}

TextMeter::~TextMeter()
{
    SelectObject(m_dc, m_oldFont);
    DeleteDC(m_dc);
}

int TextMeter::advance(char32_t c)
{
    if (c >= 0x10000) {
        // Outside the cache: measure the surrogate pair as it is drawn.
        const char32_t v = c - 0x10000;
        const wchar_t pair[2] = {static_cast<wchar_t>(0xD800 + (v >> 10)), static_cast<wchar_t>(0xDC00 + (v & 0x3FF))};
        SIZE size{};
        GetTextExtentPoint32W(m_dc, pair, 2, &size);
        return size.cx;
    }
    int& cached = m_advances[c];
    if (cached == 0) {
        INT width = 0;
        GetCharWidth32W(m_dc, static_cast<UINT>(c), static_cast<UINT>(c), &width);
        cached = width > 0 ? width : -1; // -1: a character that takes no room
    }
    return cached > 0 ? cached : 0;
}

int TextMeter::operator()(std::string_view utf8)
{
    if (utf8.empty())
        return 0;
    int width = 0;
    // A column is no wider than a list takes; a damaged book's text of megabytes stops there.
    for (std::size_t i = 0; i < utf8.size() && width < kMaxWidth;) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? byte : byte & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        width += advance(c);
        i += static_cast<std::size_t>(length);
    }
    return width + m_margins;
}

} // namespace qor
