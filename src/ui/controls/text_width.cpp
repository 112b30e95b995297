#include "text_width.h"

#include <algorithm>
#include <cmath>

namespace qor {

namespace {
// A cell shows no more than 8,192 characters, which UTF-8 holds in at most this many bytes.
constexpr std::size_t kLongestShapedText = 4 * 8192;

// Whether a character's width depends on the characters around it. Beyond the Basic
// Multilingual Plane are emoji with their modifiers and sequences, so all of it counts.
bool widthDependsOnNeighbours(char32_t cp)
{
    if (cp >= 0x10000)
        return true;
    if (QChar::isMark(cp) || QChar::category(cp) == QChar::Other_Format
        || QChar::joiningType(cp) != QChar::Joining_None)
        return true;
    // Conjoining Hangul jamo, which make up a syllable together.
    return (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0xA960 && cp <= 0xA97F) || (cp >= 0xD7B0 && cp <= 0xD7FF);
}
} // namespace

TextWidthMeter::TextWidthMeter(const QFont& font, int margins)
    : m_metrics(font), m_margins(margins), m_basic(0x10000, kUnmeasured)
{
    for (char32_t c = 0; c < 128; ++c)
        m_ascii[c] = advance(c);
}

float TextWidthMeter::advance(char32_t cp)
{
    if (cp >= 0x10000)
        return kShapedWhole;
    float& cached = m_basic[cp];
    if (cached == kUnmeasured)
        cached = widthDependsOnNeighbours(cp) ? kShapedWhole
                                              : static_cast<float>(m_metrics.horizontalAdvance(QChar(char16_t(cp))));
    return cached;
}

int TextWidthMeter::cellWidth(double textWidth) const
{
    // Up to a rounding error of the sum: a text is never given a pixel less than it needs.
    const double whole = std::ceil(textWidth - 1e-3) + m_margins;
    return static_cast<int>(std::min<double>(whole, kMaxWidth));
}

int TextWidthMeter::operator()(std::string_view s)
{
    if (s.empty())
        return 0;
    double width = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end && width < kMaxWidth) {
        if (*p < 0x80) {
            width += m_ascii[*p++];
            continue;
        }
        char32_t cp = *p;
        int length = 1;
        if (cp >= 0xF0 && end - p >= 4)
            cp = ((cp & 0x07) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu), length = 4;
        else if (cp >= 0xE0 && end - p >= 3)
            cp = ((cp & 0x0F) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu), length = 3;
        else if (cp >= 0xC0 && end - p >= 2)
            cp = ((cp & 0x1F) << 6) | (p[1] & 0x3Fu), length = 2;
        const float a = advance(std::min<char32_t>(cp, 0x10FFFF));
        if (a == kShapedWhole) {
            const std::string_view shown = s.substr(0, kLongestShapedText);
            return cellWidth(m_metrics.horizontalAdvance(QString::fromUtf8(shown.data(), qsizetype(shown.size()))));
        }
        width += a;
        p += length;
    }
    return cellWidth(width);
}

} // namespace qor
