// Where the book really is, and the files a save puts beside it.
#include "book_location.h"

#include <cstdio>
#include <system_error>

namespace qor {

namespace fs = std::filesystem;

namespace {
constexpr int kMaxLinkDepth = 40;
constexpr std::size_t kTemporarySuffixLength = 6;
constexpr int kMaxConflictNumber = 1000;

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

bool resolveBookLinks(const fs::path& path, fs::path& target, std::string& error)
{
    target = path;
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec)))
            return true;
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) {
            error = "cannot read the link " + target.string() + ": " + ec.message();
            return false;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    error = path.string() + ": too many levels of symbolic links";
    return false;
}

std::string temporaryNameFor(const std::string& bookName, std::uint32_t random)
{
    std::string name = bookName + '.';
    for (std::size_t i = 0; i < kTemporarySuffixLength; ++i) {
        if (i % 2 == 0) {
            name += static_cast<char>('A' + random % 26);
            random /= 26;
        } else {
            name += static_cast<char>('0' + random % 10);
            random /= 10;
        }
    }
    return name;
}

bool isTemporaryNameFor(const std::string& bookName, const std::string& candidate)
{
    if (candidate.size() != bookName.size() + 1 + kTemporarySuffixLength
        || candidate.compare(0, bookName.size(), bookName) != 0 || candidate[bookName.size()] != '.')
        return false;
    for (std::size_t i = 0; i < kTemporarySuffixLength; ++i) {
        const char c = candidate[bookName.size() + 1 + i];
        if (i % 2 == 0 ? !isUpper(c) : !isDigit(c))
            return false;
    }
    return true;
}

int removeLeftoverTemporaries(const fs::path& bookPath)
{
    fs::path target;
    std::string error;
    if (!resolveBookLinks(bookPath, target, error))
        return 0;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string bookName = target.filename().string();
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& candidate = it->path();
        if (!isTemporaryNameFor(bookName, candidate.filename().string()))
            continue;
        std::error_code statError;
        if (!fs::is_regular_file(fs::symlink_status(candidate, statError)))
            continue;
        std::error_code removeError;
        removed += fs::remove(candidate, removeError) ? 1 : 0;
    }
    return removed;
}

fs::path conflictCopyPath(const fs::path& bookPath, const std::tm& when)
{
    return copyBesidePath(bookPath, "conflict", when);
}

fs::path copyBesidePath(const fs::path& bookPath, std::string_view why, const std::tm& when)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", when.tm_year + 1900, when.tm_mon + 1,
                  when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    const fs::path folder = bookPath.parent_path();
    const std::string base = bookPath.stem().string() + "-" + std::string(why) + "-" + stamp;
    const std::string extension = bookPath.extension().string();
    fs::path candidate = folder / (base + extension);
    for (int n = 2; n <= kMaxConflictNumber; ++n) {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec)))
            break;
        candidate = folder / (base + "-" + std::to_string(n) + extension);
    }
    return candidate;
}

} // namespace qor
