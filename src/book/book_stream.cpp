// The book reader fed a piece at a time. Each piece is cut after its last line end and the
// whole lines go to the same line loop the reader of a whole book runs; only a line's tail
// waits for the next piece. What the whole-book reader learns from all the bytes at once is
// gathered as the pieces pass: the byte-order mark from the first bytes, and whether every
// byte is valid UTF-8 from each run of lines (a UTF-8 sequence never holds a line end, so the
// book is valid exactly when every run is).
#include "book_stream.h"

#include "byte_order_marks.h"
#include "text_encoding.h"

#include <algorithm>

namespace qor {

namespace {

// The longest byte-order mark: what must be seen before the book's form is known.
constexpr std::size_t kLongestMark = 3;

bool isHighSurrogate(char first, char second, bool bigEndian)
{
    const auto lead = static_cast<unsigned char>(bigEndian ? first : second);
    return lead >= 0xD8 && lead <= 0xDB;
}

} // namespace

BookRecordStream::BookRecordStream(const ContactRecord& initial, std::function<void(ContactRecord&)> commit)
    : m_commit(std::move(commit)), m_lines(true, initial, m_commit)
{
}

void BookRecordStream::feed(std::string_view piece)
{
    switch (m_form) {
    case Form::Undecided:
        m_units.append(piece);
        decideForm(false);
        break;
    case Form::EightBit: {
        const std::size_t newFrom = m_text.size();
        m_text.append(piece);
        readWholeLines(newFrom);
        break;
    }
    case Form::Utf16LE:
    case Form::Utf16BE:
        m_units.append(piece);
        takeUtf16Units(false);
        break;
    }
}

void BookRecordStream::decideForm(bool atEnd)
{
    if (m_units.size() < kLongestMark && !atEnd)
        return;
    const std::string_view start = m_units;
    if (start.starts_with(kUtf16LEMark) || start.starts_with(kUtf16BEMark)) {
        m_form = start.starts_with(kUtf16LEMark) ? Form::Utf16LE : Form::Utf16BE;
        m_units.erase(0, kUtf16LEMark.size());
        takeUtf16Units(atEnd);
        return;
    }
    m_form = Form::EightBit;
    m_utf8Marked = start.starts_with(kUtf8Mark);
    m_text = start.substr(m_utf8Marked ? kUtf8Mark.size() : 0);
    m_units.clear();
    readWholeLines(0);
}

void BookRecordStream::takeUtf16Units(bool atEnd)
{
    const bool bigEndian = m_form == Form::Utf16BE;
    std::size_t whole = m_units.size();
    if (!atEnd) {
        // Whole units only, and a pair's first half waits for its second.
        whole -= whole % 2;
        if (whole >= 2 && isHighSurrogate(m_units[whole - 2], m_units[whole - 1], bigEndian))
            whole -= 2;
    }
    if (whole == 0)
        return;
    const std::size_t newFrom = m_text.size();
    m_text += utf16ToUtf8(std::string_view(m_units).substr(0, whole), bigEndian);
    m_units.erase(0, whole);
    readWholeLines(newFrom);
}

void BookRecordStream::readWholeLines(std::size_t newFrom)
{
    // Only the new bytes can hold a line end: everything before them is a line's beginning.
    const auto newBytes = std::string_view(m_text).substr(newFrom);
    const auto lastEnd = newBytes.find_last_of("\r\n");
    if (lastEnd == std::string_view::npos)
        return;
    const std::string_view lines = std::string_view(m_text).substr(0, newFrom + lastEnd + 1);
    // A cut between CR and LF leaves the LF to begin the next run, where it ends an empty
    // line, which the reader skips: the same lines as without the cut.
    noteValidity(lines);
    m_lines.read(lines);
    m_text.erase(0, lines.size());
}

void BookRecordStream::noteValidity(std::string_view lines)
{
    // Text decoded from UTF-16 is UTF-8 by making.
    if (m_form == Form::EightBit && m_allValidUtf8 && !isValidUtf8(lines))
        m_allValidUtf8 = false;
}

BookReading BookRecordStream::finish()
{
    if (m_form == Form::Undecided)
        decideForm(true);
    else if (m_form != Form::EightBit)
        takeUtf16Units(true);
    noteValidity(m_text);
    m_lines.read(m_text);
    m_text.clear();
    BookReading reading = m_lines.finish();
    if (m_form == Form::Utf16LE || m_form == Form::Utf16BE)
        reading.encoding = m_form == Form::Utf16LE ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    else if (m_utf8Marked || m_allValidUtf8)
        reading.encoding = TextEncoding::Utf8;
    return reading;
}

} // namespace qor
