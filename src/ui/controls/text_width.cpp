#include "text_width.h"

#include <algorithm>

namespace qor {

TextWidthMeter::TextWidthMeter(const QFontMetrics& metrics, int margins)
    : m_metrics(metrics), m_margins(margins), m_basic(0x10000, -1)
{
    for (char32_t c = 0; c < 128; ++c)
        m_ascii[c] = advance(c);
}

int TextWidthMeter::advance(char32_t cp)
{
    if (cp < 0x10000) {
        int& cached = m_basic[cp];
        if (cached < 0)
            cached = m_metrics.horizontalAdvance(QChar(static_cast<char16_t>(cp)));
        return cached;
    }
    auto it = m_other.find(cp);
    if (it == m_other.end())
        it = m_other.emplace(cp, m_metrics.horizontalAdvance(QString::fromUcs4(&cp, 1))).first;
    return it->second;
}

int TextWidthMeter::operator()(std::string_view s)
{
    if (s.empty())
        return 0;
    long long width = m_margins;
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
        width += advance(std::min<char32_t>(cp, 0x10FFFF));
        p += length;
    }
    return static_cast<int>(std::min<long long>(width, kMaxWidth));
}

} // namespace qor
