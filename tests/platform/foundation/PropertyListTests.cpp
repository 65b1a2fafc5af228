#include "platform/foundation/PropertyList.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace foundation;

namespace {

std::string document(std::string_view body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + std::string(body)
        + "\n</plist>\n";
}

std::string nested(int depth)
{
    std::string body;
    for (int i = 0; i < depth; ++i)
        body += "<array>";
    for (int i = 0; i < depth; ++i)
        body += "</array>";
    return document(body);
}

} // namespace

TEST(PropertyLists, EveryKindReadsBackAsWritten)
{
    Json value = Json::object();
    value["text"] = "a < b & c > d\r\n满";
    value[""] = "";
    value["int"] = -9223372036854775807LL - 1;
    value["big"] = 18446744073709551615ULL;
    value["real"] = -0.125;
    value["tiny"] = 5e-324;
    value["flags"] = Json::array({ true, false });
    value["empty"] = Json::object();
    value["none"] = Json::array();
    auto text = PropertyList::write(value);
    ASSERT_TRUE(text);
    auto back = PropertyList::read(*text);
    ASSERT_TRUE(back) << back.error().message();
    EXPECT_EQ(back.value(), value);
    EXPECT_EQ(back.value().begin().key(), "text") << "keys keep their order";
}

TEST(PropertyLists, ThePlatformsOwnFormsAreRead)
{
    auto read = PropertyList::read("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                   "<!-- written elsewhere -->\n<plist version=\"1.0\">\n<dict>\n"
                                   "\t<key>when</key>\n\t<date>2026-01-31T08:00:00Z</date>\n"
                                   "\t<key>bytes</key>\n\t<data>\n\tAAEC\n\t/w==\n\t</data>\n"
                                   "\t<key>yes</key>\n\t<true></true>\n"
                                   "\t<key/>\n\t<string/>\n"
                                   "\t<key>refs</key>\n\t<string>&quot;&apos;&#x6EE1;&#10;</string>\n"
                                   "\t<key>n</key>\n\t<integer>+7</integer>\n"
                                   "\t<key>x</key>\n\t<real>1e3</real>\n"
                                   "</dict>\n</plist>\n");
    ASSERT_TRUE(read) << read.error().message();
    EXPECT_EQ(read.value(),
        (Json { { "when", "2026-01-31T08:00:00Z" }, { "bytes", "AAEC/w==" }, { "yes", true }, { "", "" },
            { "refs", "\"'满\n" }, { "n", 7 }, { "x", 1000.0 } }));
    EXPECT_TRUE(PropertyList::read(nested(PropertyList::maxDepth)));
}

TEST(PropertyLists, AnythingElseIsRefusedWithWhereItStopped)
{
    std::string const bad[] = {
        "",
        "<dict/>",
        document("<dict>"),
        document("<string>\xFF</string>"),
        document("<string>\x01</string>"),
        document("<string>\xEF\xBF\xBE</string>"),
        document("<string>a</strin>"),
        document("<string>&unknown;</string>"),
        document("<string>&#0;</string>"),
        document("<string>&#xD800;</string>"),
        document("<string><![CDATA[x]]></string>"),
        document("<dict><key>a</key></dict>"),
        document("<dict><key>a</key><true/><key>a</key><false/></dict>"),
        document("<dict><string>a</string></dict>"),
        document("<dict id=\"1\"/>"),
        document("<key>a</key>"),
        document("<set/>"),
        document("<integer/>"),
        document("<integer>0x10</integer>"),
        document("<integer>18446744073709551616</integer>"),
        document("<integer>-9223372036854775809</integer>"),
        document("<real>nan</real>"),
        document("<real>1e999</real>"),
        document("<date>2026-13-01T00:00:00Z</date>"),
        document("<data>AAE</data>"),
        document("<data>A=AA</data>"),
        document("<true/><false/>"),
        document("<true/>") + "<true/>",
        "<!DOCTYPE plist [<!ENTITY a \"aaaa\">]><plist><string>&a;</string></plist>",
        "<plist version=\"2.0\"><true/></plist>",
        nested(PropertyList::maxDepth + 1),
        document("<string>" + std::string(PropertyList::maxBytes, 'x') + "</string>"),
    };
    for (const auto& text : bad) {
        auto read = PropertyList::read(text);
        ASSERT_FALSE(read) << text.substr(0, 120);
        EXPECT_NE(read.error().message().find(" at byte "), std::string::npos);
    }
}

TEST(PropertyLists, WhatTheFormatCannotCarryIsNotWritten)
{
    EXPECT_EQ(PropertyList::write(Json { { "a", nullptr } }), std::nullopt);
    EXPECT_EQ(PropertyList::write(Json::array({ "\xC0\x80" })), std::nullopt);
    EXPECT_EQ(PropertyList::write(Json { { "\x02", 1 } }), std::nullopt);
    EXPECT_EQ(PropertyList::write(Json(std::numeric_limits<double>::infinity())), std::nullopt);
    Json deep = Json::array();
    for (int i = 1; i < PropertyList::maxDepth; ++i)
        deep = Json::array({ deep });
    EXPECT_TRUE(PropertyList::write(deep));
    EXPECT_EQ(PropertyList::write(Json::array({ deep })), std::nullopt);
}
