#include "record_index.h"

#include "byte_order_marks.h"
#include "surname_search.h"
#include "text_encoding.h"

#include <future>
#include <system_error>
#include <utility>

namespace qor {

namespace {

// A book smaller than this is indexed on one thread: starting a second costs more.
constexpr std::size_t kTwoThreadsFrom = 4 * 1024 * 1024;

// Runs `second` on a thread of its own while `first` runs here; both on this thread when no
// thread can be had.
template <typename First, typename Second> void runBoth(First first, Second second)
{
    std::future<void> other;
    try {
        other = std::async(std::launch::async, second);
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    first();
    other.get();
}

// What reading every line of the text tells besides the records, found without keeping any.
BookReading readingOf(std::string_view text, bool checkEach, bool& pendingAtEnd)
{
    const std::function<void(ContactRecord&)> none = [](ContactRecord&) {};
    BookLineReader lines(checkEach, ContactRecord{}, none);
    lines.keepNoRecords();
    lines.read(text);
    pendingAtEnd = lines.pending();
    return lines.finish();
}

bool isLineSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Whether the "SURNAME" at the start of a line at `at` is the line's key: followed by '=', or by
// nothing but white space to the line's end.
bool isSurnameKey(std::string_view text, std::size_t at)
{
    std::size_t i = at + kSurnameKey.size();
    if (i < text.size() && text[i] == '=')
        return true;
    while (i < text.size() && isLineSpace(text[i]))
        ++i;
    return i == text.size() || text[i] == '\n' || text[i] == '\r';
}

// The SURNAME lines that begin in [from, to), in order.
void findSurnameLines(std::string_view text, std::size_t from, std::size_t to, std::vector<std::size_t>& found)
{
    forEachSurnameAtLineStart(text, from, to, [&text, &found](std::size_t at) {
        if (isSurnameKey(text, at))
            found.push_back(at);
    });
}

} // namespace

RecordIndex::RecordIndex(std::string_view bytes, std::size_t twoThreadsFrom)
{
    const bool littleEndian = bytes.starts_with(kUtf16LEMark);
    m_utf16 = littleEndian || bytes.starts_with(kUtf16BEMark);
    if (m_utf16) {
        m_decoded = utf16ToUtf8(bytes.substr(kUtf16LEMark.size()), !littleEndian);
        m_text = m_decoded;
        m_markedEncoding = littleEndian ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    } else {
        m_utf8Marked = bytes.starts_with(kUtf8Mark);
        m_text = m_utf8Marked ? bytes.substr(kUtf8Mark.size()) : bytes;
    }

    // Two halves, cut after a line feed (never inside a UTF-8 sequence).
    std::size_t cut = m_text.size();
    if (m_text.size() >= twoThreadsFrom) {
        const std::size_t feed = m_text.find('\n', m_text.size() / 2);
        cut = feed == std::string_view::npos ? m_text.size() : feed + 1;
    }
    bool headValid = true, tailValid = true;
    std::vector<std::size_t> tailLines;
    m_starts.push_back(0);
    runBoth(
        [&] {
            headValid = isValidUtf8(m_text.substr(0, cut));
            findSurnameLines(m_text, 0, cut, m_starts);
        },
        [&] {
            tailValid = isValidUtf8(m_text.substr(cut));
            findSurnameLines(m_text, cut, m_text.size(), tailLines);
        });
    m_starts.insert(m_starts.end(), tailLines.begin(), tailLines.end());
    m_checkEach = !(headValid && tailValid);
    // Every SURNAME line commits the record before it, except one with no line of the fields
    // before it: the first, unless the lines before it hold one.
    if (m_starts.size() > 1) {
        bool pending = false;
        readingOf(m_text.substr(0, m_starts[1]), m_checkEach, pending);
        if (!pending)
            m_starts.erase(m_starts.begin() + 1);
    }
}

RecordIndex::RecordIndex(std::string_view bytes) : RecordIndex(bytes, kTwoThreadsFrom) {}

bool RecordIndex::isBook() const
{
    // A SURNAME line that commits a record follows a line of the fields.
    return m_starts.size() > 1 || reading().isBook;
}

BookReading RecordIndex::reading() const
{
    bool pending = false;
    BookReading reading = readingOf(m_text, m_checkEach, pending);
    if (m_utf16)
        reading.encoding = m_markedEncoding;
    else if (m_utf8Marked)
        reading.encoding = TextEncoding::Utf8;
    return reading;
}

std::string_view RecordIndex::bytesOf(std::size_t k) const
{
    const std::size_t end = k + 1 < m_starts.size() ? m_starts[k + 1] : m_text.size();
    return m_text.substr(m_starts[k], end - m_starts[k]);
}

IndexedRecordReader::IndexedRecordReader(const RecordIndex& index, const ContactRecord& initial)
    : m_index(index), m_initial(initial), m_takeFirst([this](ContactRecord& record) { m_first = record; }),
      m_lines(index.checkEachValue(), ContactRecord{}, m_noCommit)
{
}

ContactRecord& IndexedRecordReader::read(std::size_t k)
{
    if (k == 0) {
        // The first record begins as `initial`; and a book without a line of the fields gives
        // `initial` itself.
        BookLineReader head(m_index.checkEachValue(), m_initial, m_takeFirst);
        head.read(m_index.bytesOf(0));
        head.finish();
        return m_first;
    }
    // Every later record begins with its SURNAME line and holds no other, so it is read alone
    // into an empty record and never committed.
    m_lines.restart();
    m_lines.read(m_index.bytesOf(k));
    return m_lines.record();
}

} // namespace qor
