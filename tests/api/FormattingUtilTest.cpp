#include "api/DateUtil.h"
#include "api/DecimalUtil.h"
#include "api/IphoneDevicesUtils.h"
#include "api/StatusToStringUtils.h"
#include "platform/kit/Screen.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace {

class DateUtilTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (const char* tz = std::getenv("TZ"))
            m_savedTz = tz;
        pinZone("Asia/Shanghai");
    }
    void TearDown() override
    {
        if (m_savedTz)
            setenv("TZ", m_savedTz->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void pinZone(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
    static long long seconds(const std::string& text) { return std::stoll(text); }

    std::optional<std::string> m_savedTz;
};

} // namespace

TEST_F(DateUtilTest, server_seconds_are_shown_in_local_time)
{
    EXPECT_EQ(DateUtil::timestampToString(0), "1970-01-01 08:00:00");
    EXPECT_EQ(DateUtil::timestampToString(1700000000), "2023-11-15 06:13:20");
    EXPECT_EQ(DateUtil::timestampToStringDate(1700000000), "2023-11-15");
    EXPECT_EQ(DateUtil::timestampToStringDate(-1), "1970-01-01");
    EXPECT_EQ(DateUtil::getDateStr(1699977599.9), "2023-11-14");
}

TEST_F(DateUtilTest, day_bounds_enclose_the_local_day_of_the_date)
{
    // 2023-11-14 23:30 in Shanghai is 15:30 UTC.
    double lateEvening = 1699975800.5;
    EXPECT_EQ(DateUtil::getDateForDayStart(lateEvening), "1699891200");
    EXPECT_EQ(
        seconds(DateUtil::getDateForDayEnd(lateEvening)) - seconds(DateUtil::getDateForDayStart(lateEvening)),
        86399);

    // Not wrapped to 32 bits after 2038.
    EXPECT_EQ(DateUtil::getDateForDayStart(4102444800.0), "4102416000");

    // On a spring-forward day the local day is an hour short, in autumn an hour long.
    auto length = [](double date) {
        return seconds(DateUtil::getDateForDayEnd(date)) - seconds(DateUtil::getDateForDayStart(date));
    };
    pinZone("America/New_York");
    EXPECT_EQ(length(1710086400), 86399 - 3600); // 2024-03-10 12:00 local
    pinZone("Europe/Berlin");
    EXPECT_EQ(length(1792922400), 86399 + 3600); // 2026-10-25
    // Midnight itself was skipped here; the day still starts on its own date.
    pinZone("America/Sao_Paulo");
    EXPECT_EQ(DateUtil::getDateForDayStart(1541340000), "1541300400"); // 2018-11-04
}

TEST(DecimalUtil, amounts_drop_needless_decimals_but_keep_two_otherwise)
{
    EXPECT_EQ(DecimalUtil::getDecimalString(12.0), "12");
    EXPECT_EQ(DecimalUtil::getDecimalString(-3.0), "-3");
    EXPECT_EQ(DecimalUtil::getDecimalString(12.5), "12.50");
    EXPECT_EQ(DecimalUtil::getDecimalString(-2.5), "-2.50");
    EXPECT_EQ(DecimalUtil::getDecimalString(0.0), "0");
    EXPECT_EQ(DecimalUtil::getDecimalString(-0.0), "0");
    EXPECT_EQ(DecimalUtil::getDecimalString(12.006), "12.01");
    EXPECT_EQ(DecimalUtil::getDecimalString(12.001), "12.00");
    EXPECT_EQ(DecimalUtil::getDecimalString(1e20), "100000000000000000000");
}

TEST(StatusToStringUtils, known_codes_have_words_and_others_have_none)
{
    EXPECT_EQ(StatusToStringUtils::getVipStatusString(-3), "过期");
    EXPECT_EQ(StatusToStringUtils::getVipStatusString(-2), "待审核");
    EXPECT_EQ(StatusToStringUtils::getVipStatusString(-1), "删除");
    EXPECT_EQ(StatusToStringUtils::getVipStatusString(0), "锁定");
    EXPECT_EQ(StatusToStringUtils::getVipStatusString(1), "正常");
    EXPECT_EQ(StatusToStringUtils::getVipStatusString(2), std::nullopt);
    EXPECT_EQ(StatusToStringUtils::getVipStatusString(-4), std::nullopt);
}

TEST(IphoneDevicesUtils, only_screens_up_to_960_pixels_high_count_as_short)
{
    EXPECT_TRUE(IphoneDevicesUtils::isIphone4Or4s(480, 2));
    EXPECT_TRUE(IphoneDevicesUtils::isIphone4Or4s(480, 1));
    EXPECT_FALSE(IphoneDevicesUtils::isIphone4Or4s(568, 2));
    EXPECT_FALSE(IphoneDevicesUtils::isIphone4Or4s(480.5, 2));

    kit::Screen::mainScreen().configure({ 320, 480 }, 2);
    EXPECT_TRUE(IphoneDevicesUtils::isIphone4Or4s());
    kit::Screen::mainScreen().reset();
    EXPECT_FALSE(IphoneDevicesUtils::isIphone4Or4s());
}
