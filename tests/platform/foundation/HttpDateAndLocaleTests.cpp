#include "platform/foundation/HTTPDate.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UUID.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <set>

using namespace foundation;

namespace {

// Puts the variables back as they were, so other tests see the real session.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        for (auto [name, value] : values) {
            const char* old = std::getenv(name);
            m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            if (value)
                setenv(name, value, 1);
            else
                unsetenv(name);
        }
    }
    ~ScopedEnvironment()
    {
        for (auto& [name, value] : m_saved) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

constexpr double nov6th1994 = 784111777; // Sun, 06 Nov 1994 08:49:37 GMT

} // namespace

TEST(HttpDate, AllThreeFormsReadAsUtcWhateverTheLocalZone)
{
    {
        // A zone far from UTC: reading the fields as local time would be off by hours.
        ScopedEnvironment zone { { "TZ", "Asia/Shanghai" } };
        tzset();
        EXPECT_EQ(HTTPDate::dateFromRFC1123("Sun, 06 Nov 1994 08:49:37 GMT"), nov6th1994);
        EXPECT_EQ(HTTPDate::dateFromRFC1123("Sunday, 06-Nov-94 08:49:37 GMT"), nov6th1994);
        EXPECT_EQ(HTTPDate::dateFromRFC1123("Sun Nov  6 08:49:37 1994"), nov6th1994);
        EXPECT_EQ(HTTPDate::dateFromRFC1123("yesterday"), std::nullopt);
        EXPECT_EQ(HTTPDate::dateFromRFC1123(""), std::nullopt);
    }
    tzset();
}

TEST(HttpDate, WrittenInEnglishEvenUnderAnotherLocaleAndReadBack)
{
    // The process locale must not leak day or month names into a header.
    const char* previous = std::setlocale(LC_TIME, nullptr);
    std::string saved = previous ? previous : "C";
    std::setlocale(LC_TIME, "de_DE.UTF-8"); // absent on many machines; then the test is plain
    EXPECT_EQ(HTTPDate::rfc1123String(nov6th1994 + 0.9), "Sun, 06 Nov 1994 08:49:37 GMT");
    std::setlocale(LC_TIME, saved.c_str());

    EXPECT_EQ(HTTPDate::rfc1123String(1e15), std::nullopt);
    EXPECT_EQ(HTTPDate::rfc1123String(std::nan("")), std::nullopt);
    auto text = HTTPDate::rfc1123String(1767225600);
    ASSERT_TRUE(text);
    EXPECT_EQ(HTTPDate::dateFromRFC1123(*text), 1767225600);
}

TEST(PreferredLanguages, LanguageListWinsThenTheFirstLocaleVariable)
{
    {
        ScopedEnvironment env { { "LANGUAGE", "zh_CN:en_US:zh_CN" }, { "LC_ALL", nullptr },
            { "LANG", "de_DE.UTF-8" } };
        EXPECT_EQ(Locale::preferredLanguages(), (std::vector<std::string> { "zh-CN", "en-US" }));
    }
    {
        ScopedEnvironment env { { "LANGUAGE", "" }, { "LC_ALL", nullptr }, { "LC_MESSAGES", nullptr },
            { "LANG", "zh_TW.UTF-8@radical" } };
        EXPECT_EQ(Locale::preferredLanguages(), (std::vector<std::string> { "zh-TW" }));
    }
    {
        ScopedEnvironment env { { "LANGUAGE", nullptr }, { "LC_ALL", "C.UTF-8" }, { "LANG", "fr_FR.UTF-8" } };
        EXPECT_EQ(Locale::preferredLanguages(), (std::vector<std::string> { "en" }));
    }
    // A value that names no language must not reach a header as it is.
    EXPECT_EQ(Locale::languageTag("x\r\nInjected: 1"), "");
}

TEST(Uuid, VersionFourTextsDoNotRepeat)
{
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        auto text = UUID::newString();
        ASSERT_EQ(text.size(), 36u);
        EXPECT_EQ(text[14], '4');
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos);
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 100u);
}
