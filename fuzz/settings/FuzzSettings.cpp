// The settings file as a kill, a full disk or another program may leave it: any
// bytes. Loading must never crash, a file it cannot use is set aside whole, and
// whatever it loaded must survive a save and a reload unchanged.

#include "platform/foundation/UserDefaults.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::filesystem::path& folder()
{
    static const std::filesystem::path made = [] {
        // Memory-backed where there is one: each run saves with a sync to disk.
        std::error_code error;
        auto const base = std::filesystem::is_directory("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                                           : std::filesystem::temp_directory_path();
        std::string pattern = (base / "fuzz-settings-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return std::filesystem::path(pattern);
    }();
    return made;
}

std::string readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto const file = folder() / "defaults.json";
    std::filesystem::remove_all(folder());
    std::filesystem::create_directories(folder());
    std::string const content(reinterpret_cast<const char*>(data), size);
    std::ofstream(file, std::ios::binary) << content;

    std::optional<std::string> name;
    {
        foundation::UserDefaults defaults(file);
        if (auto aside = defaults.setAsideFile()) {
            if (readAll(*aside) != content)
                std::abort();
        }
        name = defaults.stringForKey("USER_NAME");
        (void)defaults.dateForKey("RefreshHeaderLastUpdatedTimeKey");
        defaults.setObject("fuzz", "SHOP_NAME");
        if (defaults.synchronize().isError())
            return 0;
    }
    foundation::UserDefaults reloaded(file);
    if (reloaded.setAsideFile() || reloaded.stringForKey("USER_NAME") != name
        || reloaded.stringForKey("SHOP_NAME") != "fuzz")
        std::abort();
    return 0;
}
