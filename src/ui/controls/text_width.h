#pragma once

#include <QFontMetrics>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qor {

// Measures list cells: the sum of the advances of a text's characters, each measured once and
// remembered, plus the cell's margins. Shaping every cell would cost microseconds a cell, which
// is seconds for a big book; a table lookup per character costs nanoseconds. Kerning makes a
// real Latin text a little narrower than this sum, and the cell margins absorb the rest.
class TextWidthMeter {
public:
    TextWidthMeter(const QFontMetrics& metrics, int margins);

    // Width in pixels of a UTF-8 text in a cell, at most kMaxWidth; 0 for an empty text.
    int operator()(std::string_view utf8);

    static constexpr int kMaxWidth = 32767;

private:
    int advance(char32_t codePoint);

    QFontMetrics m_metrics;
    int m_margins;
    int m_ascii[128]; // most text is ASCII: its advances are looked up without a check
    std::vector<int> m_basic; // advances of U+0000..U+FFFF, -1 until measured
    std::unordered_map<char32_t, int> m_other;
};

} // namespace qor
