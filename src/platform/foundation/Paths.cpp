#include "platform/foundation/Paths.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace foundation {

namespace {

std::mutex s_homeMutex;
std::optional<std::filesystem::path> s_home;

std::optional<std::filesystem::path> absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    std::filesystem::path path(value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

std::filesystem::path userHome()
{
    if (auto home = absoluteFromEnvironment("HOME"))
        return *home;
    struct passwd entry { };
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    // No home at all: stay out of the working directory's way with a private
    // folder under /tmp rather than writing next to the program.
    return std::filesystem::path("/tmp") / ("cashier-" + std::to_string(getuid()));
}

std::filesystem::path resolve(const char* homeSubfolder, const char* xdgVariable, const char* xdgFallback)
{
    if (auto home = Paths::home())
        return *home / homeSubfolder;
    if (auto xdg = absoluteFromEnvironment(xdgVariable))
        return *xdg / "cashier";
    return userHome() / xdgFallback / "cashier";
}

std::string utcStamp()
{
    std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc {};
    ::gmtime_r(&now, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &utc);
    return buffer;
}

bool pathExists(const std::filesystem::path& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0;
}

std::filesystem::path created(std::filesystem::path directory)
{
    (void)Paths::createDirectories(directory);
    return directory;
}

} // namespace

std::filesystem::path Paths::configDirectory()
{
    return created(resolve("config", "XDG_CONFIG_HOME", ".config"));
}

std::filesystem::path Paths::cachesDirectory()
{
    return created(resolve("cache", "XDG_CACHE_HOME", ".cache"));
}

void Paths::setHome(std::optional<std::filesystem::path> home)
{
    if (home && !home->is_absolute()) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(*home, error);
        if (!error)
            home = absolute;
    }
    std::lock_guard lock(s_homeMutex);
    s_home = std::move(home);
}

std::optional<std::filesystem::path> Paths::home()
{
    {
        std::lock_guard lock(s_homeMutex);
        if (s_home)
            return s_home;
    }
    return absoluteFromEnvironment("CASHIER_HOME");
}

Result<void> Paths::createDirectories(const std::filesystem::path& directory, unsigned mode)
{
    if (directory.empty())
        return Error("empty directory path");
    std::filesystem::path partial;
    for (const auto& component : directory) {
        partial /= component;
        if (::mkdir(partial.c_str(), static_cast<mode_t>(mode)) == 0 || errno == EEXIST)
            continue;
        // Some file systems report their own error first for a folder that
        // exists (read-only mounts, unwritable parents).
        int code = errno;
        struct stat existing { };
        if (::stat(partial.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
            continue;
        errno = code;
        return Error("cannot create " + partial.string() + ": " + std::generic_category().message(errno));
    }
    struct stat info { };
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return Error(directory.string() + " is not a directory");
    return {};
}

Result<void> Paths::writeFileAtomically(
    const std::filesystem::path& file, std::string_view bytes, unsigned mode)
{
    auto failure = [](const std::string& what, int code) {
        return Error(what + ": " + std::generic_category().message(code));
    };
    std::filesystem::path directory
        = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    if (auto made = createDirectories(directory); made.isError())
        return made;

    std::string pattern = (directory / (file.filename().string() + ".tmp-XXXXXX")).string();
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return failure("cannot create a temporary file in " + directory.string(), errno);
    auto discard = [&](const std::string& what) {
        int code = errno;
        ::close(fd);
        ::unlink(temporary.data());
        return failure(what, code);
    };
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return discard("cannot set the mode of " + file.string());
    for (std::size_t written = 0; written < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return discard("cannot write " + file.string());
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        return discard("cannot flush " + file.string());
    if (::close(fd) != 0) {
        int code = errno;
        ::unlink(temporary.data());
        return failure("cannot close " + file.string(), code);
    }
    if (::rename(temporary.data(), file.c_str()) != 0) {
        int code = errno;
        ::unlink(temporary.data());
        return failure("cannot replace " + file.string(), code);
    }
    // The rename itself must reach the disk too.
    int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    return {};
}

Result<std::string> Paths::readFile(const std::filesystem::path& file)
{
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Error("cannot open " + file.string() + ": " + std::generic_category().message(errno));
    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int code = errno;
            ::close(fd);
            return Error("cannot read " + file.string() + ": " + std::generic_category().message(code));
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

Result<std::filesystem::path> Paths::setAside(const std::filesystem::path& file)
{
    std::string base = file.string() + ".corrupt-" + utcStamp();
    std::filesystem::path target = base;
    for (int n = 1; pathExists(target); ++n)
        target = base + "-" + std::to_string(n);
    if (std::rename(file.c_str(), target.c_str()) != 0)
        return Error("cannot set " + file.string() + " aside: " + std::generic_category().message(errno));
    return target;
}

// A save is a write to "<file>.tmp-XXXXXX" and a rename; a process killed in between
// leaves the temporary file behind, and nothing else would ever remove it.
void Paths::removeLeftoverTemporaryFiles(const std::filesystem::path& file)
{
    auto const prefix = file.filename().string() + ".tmp-";
    std::error_code error;
    std::filesystem::directory_iterator entries(file.parent_path(), error);
    if (error)
        return;
    for (auto const& entry : entries) {
        auto const name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.size() == prefix.size() + 6 && entry.is_regular_file(error))
            std::filesystem::remove(entry.path(), error);
    }
}

} // namespace foundation
