#include "platform/foundation/DateFormatter.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

using namespace foundation;

namespace {

// Pins the process time zone for one test and puts the previous one back.
class TimeZoneTest : public ::testing::Test {
protected:
    void pin(const char* zone)
    {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    void SetUp() override
    {
        const char* previous = std::getenv("TZ");
        m_previous = previous ? std::optional<std::string>(previous) : std::nullopt;
        pin("Asia/Shanghai");
    }
    void TearDown() override
    {
        if (m_previous)
            ::setenv("TZ", m_previous->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_previous;
};

} // namespace

TEST_F(TimeZoneTest, FormatsInTheLocalZone)
{
    EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm:ss").stringFromDate(1733450000), "2024-12-06 09:53:20");
    EXPECT_EQ(DateFormatter("今天 HH:mm").stringFromDate(1733450000), "今天 09:53");
    EXPECT_EQ(DateFormatter("MM-dd HH:mm").stringFromDate(1733450000.999), "12-06 09:53");
    EXPECT_EQ(DateFormatter("'at' H:m:s").stringFromDate(1733360405), "at 9:0:5");
    pin("UTC");
    EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm").stringFromDate(1733450000), "2024-12-06 01:53");
    // Before 1970 is a moment like any other.
    EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm:ss").stringFromDate(-1), "1969-12-31 23:59:59");
    EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm:ss").stringFromDate(-0.5), "1969-12-31 23:59:59");
}

TEST_F(TimeZoneTest, ParsesBackWhatItFormats)
{
    DateFormatter full("yyyy-MM-dd HH:mm:ss");
    for (std::int64_t moment : { 0LL, 1733450000LL, 951782400LL /* 29 Feb 2000 */, 4102444799LL })
        EXPECT_EQ(full.dateFromString(full.stringFromDate(moment)), moment);
    // The one second that mktime also uses as its error value.
    EXPECT_EQ(full.dateFromString("1970-01-01 07:59:59"), -1);
}

TEST_F(TimeZoneTest, RefusesTextThatDoesNotMatch)
{
    DateFormatter full("yyyy-MM-dd HH:mm:ss");
    const char* bad[] = {
        "",
        "2024-12-06",
        "2024-12-06 10:00:00 ",
        "2024/12/06 10:00:00",
        "2024-13-01 00:00:00",
        "2023-02-29 00:00:00",
        "2024-04-31 00:00:00",
        "2024-12-06 24:00:00",
        "2024-12-06 10:60:00",
        "2024-12-06 10:00:60",
        "2024-12-06 10:00:-1",
        "99999999999999999999-01-01 00:00:00",
    };
    for (const char* text : bad)
        EXPECT_EQ(full.dateFromString(text), std::nullopt) << text;
    EXPECT_EQ(DateFormatter("yyyyMMddHHmmss").dateFromString("20241206095320"), 1733450000);
}

TEST_F(TimeZoneTest, SameDayFollowsTheLocalCalendar)
{
    // 16:00 UTC is local midnight in Shanghai.
    EXPECT_TRUE(DateFormatter::isSameDay(1733414400, 1733500799));
    EXPECT_FALSE(DateFormatter::isSameDay(1733414399, 1733414400));
    pin("UTC");
    EXPECT_TRUE(DateFormatter::isSameDay(1733414399, 1733414400));
    EXPECT_FALSE(DateFormatter::isSameDay(1733450000, 1733450000 + 365LL * 86400));
    EXPECT_EQ(DateFormatter::localDay(INT64_MAX), std::nullopt);
    EXPECT_EQ(DateFormatter("yyyy").stringFromDate(INT64_MAX), "");
}
