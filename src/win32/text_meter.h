#pragma once

#include <windows.h>

#include <array>
#include <string_view>

namespace qor {

// How wide a UTF-8 text is drawn in a font, in pixels, plus a cell's margins. The advance of
// each character of the Basic Multilingual Plane is asked of the font once and summed after
// that: a load measures 34 cells of every contact, and a call into GDI for each would cost
// more than reading the book.
class TextMeter {
public:
    TextMeter(HFONT font, int margins);
    ~TextMeter();
    TextMeter(const TextMeter&) = delete;
    TextMeter& operator=(const TextMeter&) = delete;

    // 0 for an empty text; at most about kMaxWidth.
    int operator()(std::string_view utf8);
    static constexpr int kMaxWidth = 0x7FFF;

private:
    int advance(char32_t c);

    HDC m_dc;
    HGDIOBJ m_oldFont;
    int m_margins;
    std::array<int, 0x10000> m_advances{}; // 0: not asked yet
};

} // namespace qor
