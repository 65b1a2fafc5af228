#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace foundation;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& file, const std::string& content)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

unsigned modeOf(const fs::path& path)
{
    struct stat info { };
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Every test gets its own home; the standard settings are reloaded from it.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "cashier-defaults-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_home = pattern;
        Paths::setHome(m_home);
        UserDefaults::resetStandard();
    }
    void TearDown() override
    {
        // The standard settings are not reloaded from the real home: a test
        // must never read or set aside the user's own file.
        Paths::setHome(std::nullopt);
        fs::remove_all(m_home);
    }
    fs::path settingsFile() const { return m_home / "config" / "defaults.json"; }
    static void restart() { UserDefaults::resetStandard(); }

    fs::path m_home;
};

} // namespace

TEST_F(SettingsTest, ValuesSurviveARestartWithTheirTypes)
{
    auto& defaults = UserDefaults::standard();
    EXPECT_EQ(defaults.file(), settingsFile());
    EXPECT_EQ(defaults.stringForKey("USER_NAME"), std::nullopt);

    defaults.setObject("张三", "USER_NAME");
    defaults.setObject("", "KEY_MEMBER");
    defaults.setDate(1733450000.25, "RefreshHeaderLastUpdatedTimeKey");
    ASSERT_TRUE(defaults.synchronize().isOk());
    restart();

    EXPECT_EQ(defaults.stringForKey("USER_NAME"), "张三");
    EXPECT_EQ(defaults.stringForKey("KEY_MEMBER"), ""); // empty is not missing
    EXPECT_EQ(defaults.dateForKey("RefreshHeaderLastUpdatedTimeKey"), 1733450000.25);
    EXPECT_EQ(defaults.stringForKey("RefreshHeaderLastUpdatedTimeKey"), std::nullopt);
    EXPECT_EQ(defaults.objectForKey("USER_NAME"), UserDefaults::Value(std::string("张三")));

    // Merchant keys live here: only the user may read the file.
    EXPECT_EQ(modeOf(settingsFile()), 0600u);
    EXPECT_EQ(modeOf(settingsFile().parent_path()), 0700u);
}

TEST_F(SettingsTest, RemovalIsDurableAndAbsentTextRemoves)
{
    auto& defaults = UserDefaults::standard();
    defaults.setObject("k", "KEY_RECEIVABLE");
    defaults.setObject("1", "IS_ALI_PAY");
    ASSERT_TRUE(defaults.synchronize().isOk());
    defaults.removeObjectForKey("KEY_RECEIVABLE");
    defaults.setObject(std::optional<std::string>(), "IS_ALI_PAY");
    ASSERT_TRUE(defaults.synchronize().isOk());
    restart();
    EXPECT_EQ(defaults.objectForKey("KEY_RECEIVABLE"), std::nullopt);
    EXPECT_EQ(defaults.objectForKey("IS_ALI_PAY"), std::nullopt);
}

TEST_F(SettingsTest, CorruptFileIsSetAsideNotOverwritten)
{
    const std::string garbage = "{\"USER_NAME\": \"半截";
    writeAll(settingsFile(), garbage);
    restart();
    auto& defaults = UserDefaults::standard();
    EXPECT_EQ(defaults.stringForKey("USER_NAME"), std::nullopt);
    auto aside = defaults.setAsideFile();
    ASSERT_TRUE(aside);
    EXPECT_EQ(aside->parent_path(), settingsFile().parent_path());
    EXPECT_EQ(readAll(*aside), garbage);

    defaults.setObject("新", "USER_NAME");
    ASSERT_TRUE(defaults.synchronize().isOk());
    restart();
    EXPECT_EQ(defaults.stringForKey("USER_NAME"), "新");
    EXPECT_EQ(readAll(*aside), garbage);

    // A second bad file in the same second must not replace the first one kept aside.
    writeAll(settingsFile(), "[]");
    restart();
    ASSERT_TRUE(defaults.setAsideFile());
    EXPECT_NE(*defaults.setAsideFile(), *aside);
    EXPECT_EQ(readAll(*aside), garbage);
}

TEST_F(SettingsTest, AnOversizedFileIsSetAsideAndSaidSoAndLeftoverSavesGo)
{
    std::string huge
        = "{\"USER_NAME\":\"boss\",\"pad\":\"" + std::string(UserDefaults::kMaxFileBytes, 'x') + "\"}";
    writeAll(settingsFile(), huge);
    // Left by a kill between the write of a save and its rename.
    auto const leftover = settingsFile().parent_path() / "defaults.json.tmp-a1B2c3";
    auto const unrelated = settingsFile().parent_path() / "defaults.json.tmp-keep-me";
    writeAll(leftover, "{}");
    writeAll(unrelated, "{}");

    testing::internal::CaptureStderr();
    restart();
    auto const said = testing::internal::GetCapturedStderr();
    auto& defaults = UserDefaults::standard();
    EXPECT_EQ(defaults.stringForKey("USER_NAME"), std::nullopt);
    ASSERT_TRUE(defaults.setAsideFile());
    EXPECT_EQ(readAll(*defaults.setAsideFile()), huge);
    EXPECT_NE(said.find(defaults.setAsideFile()->string()), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_TRUE(fs::exists(unrelated));
}

TEST_F(SettingsTest, EntriesOfOtherTypesAreKept)
{
    writeAll(settingsFile(), R"({"count": 5, "USER_NAME": "a", "odd": {"date": "x"}})");
    restart();
    auto& defaults = UserDefaults::standard();
    EXPECT_EQ(defaults.objectForKey("count"), std::nullopt);
    EXPECT_EQ(defaults.dateForKey("odd"), std::nullopt);
    defaults.setObject("b", "USER_NAME");
    ASSERT_TRUE(defaults.synchronize().isOk());
    auto saved = parseJsonObject(readAll(settingsFile()));
    ASSERT_TRUE(saved);
    EXPECT_EQ((*saved)["count"], 5);
    EXPECT_EQ((*saved)["USER_NAME"], "b");
}

TEST_F(SettingsTest, ConcurrentWritersLoseNoKey)
{
    auto& defaults = UserDefaults::standard();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&defaults, t] {
            for (int i = 0; i < 50; ++i) {
                defaults.setObject(std::to_string(i), "k" + std::to_string(t) + "-" + std::to_string(i));
                if (i % 10 == 0) {
                    EXPECT_TRUE(defaults.synchronize().isOk());
                }
            }
        });
    }
    for (auto& writer : writers)
        writer.join();
    ASSERT_TRUE(defaults.synchronize().isOk());
    restart();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(defaults.stringForKey("k" + std::to_string(t) + "-49"), "49");
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(settingsFile().parent_path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

TEST_F(SettingsTest, HomeAndEnvironmentDecideTheDirectories)
{
    EXPECT_EQ(Paths::configDirectory(), m_home / "config");
    EXPECT_EQ(Paths::cachesDirectory(), m_home / "cache");
    EXPECT_TRUE(fs::is_directory(m_home / "cache"));

    Paths::setHome(std::nullopt);
    struct Saved {
        const char* name;
        std::optional<std::string> value;
    };
    std::vector<Saved> saved;
    for (const char* name : { "CASHIER_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "HOME" }) {
        const char* value = std::getenv(name);
        saved.push_back({ name, value ? std::optional<std::string>(value) : std::nullopt });
    }
    ::setenv("HOME", (m_home / "user").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (m_home / "xdg").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1); // not absolute: ignored
    ::unsetenv("CASHIER_HOME");
    EXPECT_EQ(Paths::configDirectory(), m_home / "xdg" / "cashier");
    EXPECT_EQ(Paths::cachesDirectory(), m_home / "user" / ".cache" / "cashier");
    ::setenv("CASHIER_HOME", (m_home / "env").c_str(), 1);
    EXPECT_EQ(Paths::configDirectory(), m_home / "env" / "config");
    for (const Saved& s : saved) {
        if (s.value)
            ::setenv(s.name, s.value->c_str(), 1);
        else
            ::unsetenv(s.name);
    }
}
