// The history's entries as bytes: framed, checked and read back.
#include "history_entry.h"

#include "book_stamp.h"

#include <cstring>

namespace qor {

namespace {

constexpr std::string_view kEntryOpen = "QHE1";
constexpr std::string_view kEntryClose = "QHT1";
constexpr std::size_t kOpenSize = kFrameOpeningSize; // magic, length, checksum
constexpr std::size_t kCloseSize = kFrameClosingSize; // length, magic
constexpr std::uint8_t kHasFound = 1;
constexpr std::uint8_t kFoundListed = 2;
constexpr std::uint8_t kHasCheckedWhole = 4;
// How a step is stored: its first byte.
constexpr char kStepCopy = 0;
constexpr char kStepGiven = 1;
constexpr char kStepCopyBackwards = 2;

void put(std::string& out, std::uint64_t value)
{
    char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    out.append(bytes, 8);
}

void putFacts(std::string& out, const StateFacts& facts)
{
    put(out, static_cast<std::uint64_t>(facts.time));
    put(out, facts.contacts);
    put(out, static_cast<std::uint64_t>(facts.added));
    put(out, static_cast<std::uint64_t>(facts.removed));
}

std::uint64_t get(std::string_view bytes, std::size_t at)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// Reads the contents of an entry, refusing any length that reaches past them.
class Cursor {
public:
    explicit Cursor(std::string_view bytes) : m_bytes(bytes) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_bytes.size(); }
    std::uint64_t number()
    {
        if (!take(8))
            return 0;
        return get(m_bytes, m_at - 8);
    }
    std::int64_t signedNumber() { return static_cast<std::int64_t>(number()); }
    std::uint8_t byte()
    {
        if (!take(1))
            return 0;
        return static_cast<std::uint8_t>(m_bytes[m_at - 1]);
    }
    std::string_view text()
    {
        const std::uint64_t size = number();
        if (!take(size))
            return {};
        return m_bytes.substr(m_at - size, size);
    }
    StateFacts facts()
    {
        StateFacts facts;
        facts.time = signedNumber();
        facts.contacts = number();
        facts.added = signedNumber();
        facts.removed = signedNumber();
        return facts;
    }

private:
    bool take(std::uint64_t size)
    {
        if (!m_ok || size > m_bytes.size() - m_at) {
            m_ok = false;
            return false;
        }
        m_at += size;
        return true;
    }
    std::string_view m_bytes;
    std::size_t m_at = 0;
    bool m_ok = true;
};

std::optional<HistoryEntry> decodeEntry(std::string_view contents)
{
    Cursor in(contents);
    HistoryEntry entry;
    const std::uint8_t flags = in.byte();
    entry.facts = in.facts();
    entry.hashBefore = in.number();
    entry.hashAfter = in.number();
    entry.sizeAfter = in.number();
    if (flags & kHasCheckedWhole)
        entry.checkedWhole = in.signedNumber();
    if (flags & kHasFound) {
        FoundState found;
        found.listed = (flags & kFoundListed) != 0;
        found.facts = in.facts();
        found.bytes = in.text();
        entry.found = found;
    }
    const std::uint64_t stepCount = in.number();
    for (std::uint64_t i = 0; in.ok() && i < stepCount; ++i) {
        PieceStep step;
        const std::uint8_t kind = in.byte();
        if (kind > kStepCopyBackwards)
            return std::nullopt;
        step.copy = kind != kStepGiven;
        step.backwards = kind == kStepCopyBackwards;
        if (step.copy) {
            step.start = in.number();
            step.count = in.number();
        } else {
            step.bytes = in.text();
        }
        entry.steps.push_back(step);
    }
    if (!in.ok() || !in.atEnd())
        return std::nullopt;
    return entry;
}

bool allZero(std::string_view bytes)
{
    return bytes.find_first_not_of('\0') == std::string_view::npos;
}

// Whether the file ends with a whole entry that checks: then it was not cut short, and any
// entry before that does not check is damage, not a torn write.
bool endsWithSoundEntry(std::string_view bytes)
{
    if (bytes.size() < kHistoryHead.size() + kOpenSize + kCloseSize || !bytes.ends_with(kEntryClose))
        return false;
    const std::uint64_t size = get(bytes, bytes.size() - kCloseSize);
    if (size > bytes.size() - kHistoryHead.size() - kOpenSize - kCloseSize)
        return false;
    const std::size_t open = bytes.size() - kCloseSize - size - kOpenSize;
    return bytes.substr(open, 4) == kEntryOpen && get(bytes, open + 4) == size
        && get(bytes, open + 12) == hashBytes(bytes.substr(open + kOpenSize, size));
}

// Whether `rest`, where no whole entry begins, is what an entry's write leaves when it stops
// early: part of an opening, an opening whose length reaches past the file's end, or zeros
// (a file system that grew the file before its bytes reached the disk).
bool tornOpening(std::string_view rest)
{
    if (allZero(rest))
        return true;
    if (rest.size() < kOpenSize)
        return kEntryOpen.starts_with(rest.substr(0, kEntryOpen.size()));
    return rest.starts_with(kEntryOpen);
}

} // namespace

std::string frameEntry(const HistoryEntry& entry, std::string_view lead)
{
    std::size_t size = lead.size() + kOpenSize + 1 + 8 * 8 + 8 + kCloseSize;
    if (entry.found)
        size += 5 * 8 + entry.found->bytes.size();
    for (const PieceStep& step : entry.steps)
        size += 1 + 2 * 8 + (step.copy ? 0 : step.bytes.size());
    std::string frame;
    frame.reserve(size);
    frame.append(lead);
    const std::size_t open = frame.size();
    frame.append(kEntryOpen);
    frame.append(16, '\0'); // the length and checksum, once the contents are there
    std::uint8_t flags = entry.checkedWhole != 0 ? kHasCheckedWhole : std::uint8_t{0};
    if (entry.found)
        flags |= static_cast<std::uint8_t>(kHasFound | (entry.found->listed ? kFoundListed : 0));
    frame.push_back(static_cast<char>(flags));
    putFacts(frame, entry.facts);
    put(frame, entry.hashBefore);
    put(frame, entry.hashAfter);
    put(frame, entry.sizeAfter);
    if (entry.checkedWhole != 0)
        put(frame, static_cast<std::uint64_t>(entry.checkedWhole));
    if (entry.found) {
        putFacts(frame, entry.found->facts);
        put(frame, entry.found->bytes.size());
        frame.append(entry.found->bytes);
    }
    put(frame, entry.steps.size());
    for (const PieceStep& step : entry.steps) {
        frame.push_back(!step.copy ? kStepGiven : step.backwards ? kStepCopyBackwards : kStepCopy);
        if (step.copy) {
            put(frame, step.start);
            put(frame, step.count);
        } else {
            put(frame, step.bytes.size());
            frame.append(step.bytes);
        }
    }
    const std::size_t contents = frame.size() - open - kOpenSize;
    std::string header;
    put(header, contents);
    put(header, hashBytes(std::string_view(frame).substr(open + kOpenSize)));
    frame.replace(open + kEntryOpen.size(), 16, header);
    put(frame, contents);
    frame.append(kEntryClose);
    return frame;
}

std::optional<std::uint64_t> frameContentsSize(std::string_view opening)
{
    if (opening.size() < kOpenSize || !opening.starts_with(kEntryOpen))
        return std::nullopt;
    return get(opening, 4);
}

bool closesFrame(std::string_view closing, std::uint64_t contentsSize)
{
    return closing.size() == kCloseSize && get(closing, 0) == contentsSize && closing.substr(8) == kEntryClose;
}

std::optional<HistoryEntry> entryOfFrame(std::string_view frame)
{
    const std::optional<std::uint64_t> size = frameContentsSize(frame);
    if (!size || frame.size() != kOpenSize + *size + kCloseSize)
        return std::nullopt;
    const std::string_view contents = frame.substr(kOpenSize, *size);
    if (get(frame, 12) != hashBytes(contents) || !closesFrame(frame.substr(kOpenSize + *size), *size))
        return std::nullopt;
    return decodeEntry(contents);
}

std::int64_t entryTimeOf(std::string_view contentsHead)
{
    return contentsHead.size() < kContentsTimeEnd ? 0 : static_cast<std::int64_t>(get(contentsHead, 1));
}

HistoryFile readHistoryBytes(std::string_view bytes)
{
    HistoryFile file;
    if (bytes.size() < kHistoryHead.size()) {
        // A history whose first write was cut short holds nothing yet.
        const bool torn = kHistoryHead.starts_with(bytes) || allZero(bytes);
        file.shape = bytes.empty() ? HistoryFile::Shape::Sound
                   : torn          ? HistoryFile::Shape::TornTail
                                   : HistoryFile::Shape::Damaged;
        return file;
    }
    if (!bytes.starts_with(kHistoryHead)) {
        file.shape = allZero(bytes) ? HistoryFile::Shape::TornTail : HistoryFile::Shape::Damaged;
        return file;
    }
    const bool endIsSound = endsWithSoundEntry(bytes);
    std::size_t at = kHistoryHead.size();
    file.soundSize = at;
    while (at < bytes.size()) {
        const std::string_view rest = bytes.substr(at);
        std::optional<HistoryEntry> entry;
        std::size_t frameSize = 0;
        const std::optional<std::uint64_t> size = frameContentsSize(rest);
        if (size && *size <= rest.size() - kOpenSize && rest.size() - kOpenSize - *size >= kCloseSize) {
            frameSize = kOpenSize + *size + kCloseSize;
            entry = entryOfFrame(rest.substr(0, frameSize));
        }
        if (!entry) {
            // Cut short, or a last entry only partly on disk: the write of it never ended.
            const bool last = frameSize != 0 ? frameSize == rest.size() : tornOpening(rest);
            file.shape = !endIsSound && last ? HistoryFile::Shape::TornTail : HistoryFile::Shape::Damaged;
            return file;
        }
        file.entries.push_back(std::move(*entry));
        file.frames.push_back(rest.substr(0, frameSize));
        at += frameSize;
        file.soundSize = at;
    }
    return file;
}

} // namespace qor
