#pragma once

#include <QFontMetricsF>
#include <string_view>
#include <vector>

namespace qor {

// Measures list cells so that a column as wide as its widest cell shows every text whole.
//
// Shaping every cell would cost some 4 microseconds a cell, which is seconds for a big book;
// instead the meter adds up the advances of a text's characters, each measured once and
// remembered. The advances are the font's real, fractional ones: rounded to whole pixels one
// by one they would add up to as much as half a pixel a character too little, and a long
// address would be cut. In scripts whose letters keep their shape the sum is never narrower
// than the shaped text, for the window's fonts kern such letters only closer together. A text
// with a character whose width depends on its neighbours (a combining mark, a joining script
// such as Arabic, a joiner, an emoji sequence) is shaped whole, as the view shapes it.
class TextWidthMeter {
public:
    // `margins` is what a cell adds to its text's width, both sides together.
    TextWidthMeter(const QFont& font, int margins);

    // Width in pixels of a UTF-8 text in a cell, at most kMaxWidth; 0 for an empty text.
    int operator()(std::string_view utf8);

    static constexpr int kMaxWidth = 32767;

private:
    // The advance of a character, or kShapedWhole when a text holding it must be shaped whole.
    float advance(char32_t codePoint);
    int cellWidth(double textWidth) const;

    static constexpr float kUnmeasured = -1;
    static constexpr float kShapedWhole = -2;

    QFontMetricsF m_metrics;
    int m_margins;
    float m_ascii[128]; // most text is ASCII: its advances are looked up without a check
    std::vector<float> m_basic; // advances of U+0000..U+FFFF, kUnmeasured until measured
};

} // namespace qor
