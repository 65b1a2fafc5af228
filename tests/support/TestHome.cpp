#include "support/TestHome.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace support {

namespace {

std::filesystem::path makeRoot()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "cashier-test-home-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
        throw std::runtime_error("cannot make a test home under " + pattern);
    return name.data();
}

std::filesystem::path& madeRoot()
{
    static std::filesystem::path root;
    return root;
}

void removeRoot()
{
    std::error_code ignored;
    std::filesystem::remove_all(madeRoot(), ignored);
}

void point(const char* variable, const std::filesystem::path& directory)
{
    std::filesystem::create_directories(directory);
    ::setenv(variable, directory.c_str(), 1);
}

} // namespace

TestHome::TestHome()
    : m_root(makeRoot())
{
    madeRoot() = m_root;
    std::atexit(removeRoot);
    point("HOME", userHome());
    point("CASHIER_HOME", m_root / "cashier");
    point("XDG_CONFIG_HOME", m_root / "xdg" / "config");
    point("XDG_CACHE_HOME", m_root / "xdg" / "cache");
    point("XDG_DATA_HOME", m_root / "xdg" / "data");
    point("XDG_STATE_HOME", m_root / "xdg" / "state");
    // Temporary files and folders too, so that what a test leaves behind
    // goes with the rest.
    point("TMPDIR", m_root / "tmp");
}

void TestHome::TearDown()
{
    std::error_code error;
    for (auto const& entry : std::filesystem::directory_iterator(userHome(), error))
        ADD_FAILURE() << "written under the user's home: ~/" << entry.path().filename().string();
}

} // namespace support
