#include "cards/PassRecordTexts.h"

#include "api/DateUtil.h"

#include <gtest/gtest.h>

namespace {

foundation::Json record(const char* key, const char* value)
{
    foundation::Json json = foundation::Json::object();
    json[key] = value;
    return json;
}

TEST(PassRecordTexts, each_wallet_reads_its_own_status_words_and_no_other)
{
    EXPECT_EQ(PassRecordTexts::status("platPass", record("status", "-1")), "已使用");
    EXPECT_EQ(PassRecordTexts::status("platPass", record("status", "0")), "已过期");
    EXPECT_EQ(PassRecordTexts::status("aliPass", record("status", "CLOSED")), "已过期");
    EXPECT_EQ(PassRecordTexts::status("wxPass", record("status", "2")), "已转增");
    EXPECT_EQ(PassRecordTexts::status("wxPass", record("status", "0")), "未使用");
    // Another wallet's word, a number instead of a text, and no status at all.
    EXPECT_FALSE(PassRecordTexts::status("aliPass", record("status", "1")));
    foundation::Json numeric = foundation::Json::object();
    numeric["status"] = 1;
    EXPECT_FALSE(PassRecordTexts::status("platPass", numeric));
    EXPECT_FALSE(PassRecordTexts::status("platPass", foundation::Json::array()));
}

TEST(PassRecordTexts, absent_short_or_zero_times_show_empty_never_1970)
{
    EXPECT_EQ(PassRecordTexts::time(foundation::Json::object(), "gettime"), "");
    EXPECT_EQ(PassRecordTexts::time(record("gettime", ""), "gettime"), "");
    EXPECT_EQ(PassRecordTexts::time(record("gettime", "0"), "gettime"), "");
    EXPECT_EQ(PassRecordTexts::time(record("gettime", "12"), "gettime"), "");
    EXPECT_EQ(PassRecordTexts::time(record("gettime", "000"), "gettime"), "");
    EXPECT_EQ(PassRecordTexts::time(record("gettime", "1700000000"), "gettime"),
        DateUtil::timestampToString(1700000000));
}

} // namespace
