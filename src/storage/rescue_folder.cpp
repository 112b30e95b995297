#include "rescue_folder.h"

#include <cstdlib>
#include <system_error>

namespace qor {

namespace {

std::filesystem::path fromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::filesystem::path(value) : std::filesystem::path();
}

} // namespace

std::filesystem::path rescueFolder()
{
#ifdef _WIN32
    const std::filesystem::path data = fromEnvironment("LOCALAPPDATA");
    return data.empty() ? data : data / "qor" / "rescue";
#else
    std::filesystem::path data = fromEnvironment("XDG_DATA_HOME");
    if (data.empty() || !data.is_absolute()) {
        const std::filesystem::path home = fromEnvironment("HOME");
        if (home.empty())
            return {};
        data = home / ".local" / "share";
    }
    return data / "qor" / "rescue";
#endif
}

WriteResult writeRescueCopy(const std::filesystem::path& name, std::string_view bytes,
                            std::filesystem::path& written)
{
    const std::filesystem::path folder = rescueFolder();
    if (folder.empty())
        return {false, "there is no home folder to keep a copy in"};
    std::error_code ec;
    if (std::filesystem::create_directories(folder, ec))
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    if (ec)
        return {false, folder.string() + ": " + ec.message()};
    // A name the folder already holds (a second rescue in the same second) gets a number.
    std::filesystem::path path = folder / name;
    for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(path, ec)) && n < 1000; ++n)
        path = folder / (name.stem().string() + "-" + std::to_string(n) + name.extension().string());
    const WriteResult result = writeNewFile(path, bytes);
    if (result.ok)
        written = path;
    return result;
}

} // namespace qor
