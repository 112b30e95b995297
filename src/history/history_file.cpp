// Reading a history file: whole, or only what an append needs from its frames.
#include "history_file.h"

#include "history_entry.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace qor {

namespace {

// The bytes of a file at any offset, read a window at a time: the frames of a run of small
// entries come in one read, and a big entry's contents are skipped, never read.
class FileWindow {
public:
    explicit FileWindow(const std::filesystem::path& path) : m_in(path, std::ios::binary) {}

    // The `count` bytes at `at`; fewer when the file ends before.
    std::string_view bytes(std::uint64_t at, std::size_t count)
    {
        if (at < m_start || at - m_start + count > m_window.size()) {
            m_window.resize(std::max(count, kWindowSize));
            m_in.clear();
            m_in.seekg(static_cast<std::streamoff>(at));
            m_in.read(m_window.data(), static_cast<std::streamsize>(m_window.size()));
            m_window.resize(static_cast<std::size_t>(std::max<std::streamsize>(m_in.gcount(), 0)));
            m_start = at;
        }
        return std::string_view(m_window).substr(std::min<std::uint64_t>(at - m_start, m_window.size()), count);
    }

private:
    static constexpr std::size_t kWindowSize = 64 * 1024;
    std::ifstream m_in;
    std::string m_window;
    std::uint64_t m_start = 0;
};

HistoryTail walkFrames(const std::filesystem::path& history)
{
    HistoryTail tail;
    std::error_code ec;
    if (std::filesystem::symlink_status(history, ec).type() != std::filesystem::file_type::regular)
        return {};
    tail.modified = std::filesystem::last_write_time(history, ec);
    if (!ec)
        tail.size = std::filesystem::file_size(history, ec);
    if (ec)
        return {};
    FileWindow file(history);
    if (file.bytes(0, kHistoryHead.size()) != kHistoryHead)
        return {};
    std::uint64_t at = kHistoryHead.size();
    std::uint64_t last = at;
    while (at < tail.size) {
        const std::optional<std::uint64_t> contents = frameContentsSize(file.bytes(at, kFrameOpeningSize));
        const std::uint64_t room = tail.size - at;
        if (!contents || room < kFrameOpeningSize + kFrameClosingSize
            || *contents > room - kFrameOpeningSize - kFrameClosingSize)
            return {};
        const std::uint64_t start = at + kFrameOpeningSize;
        if (!closesFrame(file.bytes(start + *contents, kFrameClosingSize), *contents))
            return {};
        if (tail.entries == 0)
            tail.oldestTime = entryTimeOf(file.bytes(start, kContentsTimeEnd));
        ++tail.entries;
        last = at;
        at = start + *contents + kFrameClosingSize;
    }
    if (tail.entries == 0)
        return {};
    const std::optional<HistoryEntry> entry = entryOfFrame(file.bytes(last, static_cast<std::size_t>(tail.size - last)));
    if (!entry)
        return {};
    tail.lastHashAfter = entry->hashAfter;
    tail.checkedWhole = entry->checkedWhole;
    tail.known = true;
    return tail;
}

} // namespace

LoadedHistory loadHistory(const std::filesystem::path& history)
{
    LoadedHistory loaded;
    loaded.read = readBookFile(history);
    if (loaded.read.status == ReadStatus::Unreadable || loaded.read.status == ReadStatus::TooBig)
        loaded.error = "the history " + history.string() + " cannot be read"
                     + (loaded.read.error.empty() ? std::string() : " (" + loaded.read.error + ")");
    else if (loaded.read.status == ReadStatus::Read)
        loaded.file = readHistoryBytes(loaded.read.bytes());
    return loaded;
}

HistoryTail readHistoryTail(const std::filesystem::path& history) noexcept
{
    try {
        return walkFrames(history);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace qor
