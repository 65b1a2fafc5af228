#include "platform/foundation/Json.h"

#include <climits>
#include <gtest/gtest.h>

using namespace foundation;

TEST(JsonParsing, OnlyContainersAtTheTopLevel)
{
    EXPECT_EQ(parseJsonObject("\"1\""), std::nullopt);
    EXPECT_EQ(parseJsonObject("42"), std::nullopt);
    EXPECT_EQ(parseJsonObject("null"), std::nullopt);
    EXPECT_EQ(parseJsonObject(""), std::nullopt);
    EXPECT_EQ(parseJsonObject(std::optional<std::string>()), std::nullopt);
    ASSERT_TRUE(parseJsonObject(" [1,2] "));
    ASSERT_TRUE(parseJsonObject("{}"));
}

TEST(JsonParsing, BadInputIsRefusedWithoutThrowing)
{
    const std::string inputs[] = {
        "{",
        "{\"a\":}",
        "{\"a\":1}x",
        "[1,]",
        "{'a':1}",
        "{\"a\":\"\xFF\"}",
        "\xEF\xBB",
        std::string("{\0}", 3),
        std::string(100000, '['),
        "{\"a\":\"\\ud800\"}",
        // Ill-formed UTF-8: an overlong form, an encoded surrogate, past U+10FFFF, cut short.
        "{\"a\":\"\xC0\x80\"}",
        "{\"a\":\"\xED\xA0\x80\"}",
        "{\"a\":\"\xF4\x90\x80\x80\"}",
        "{\"\xE2\x82\":1}",
    };
    for (const std::string& input : inputs) {
        EXPECT_NO_THROW(EXPECT_EQ(parseJsonObject(input), std::nullopt) << input.substr(0, 20));
    }
    // Brackets inside strings do not count as nesting.
    EXPECT_TRUE(parseJsonObject("{\"a\":\"" + std::string(2000, '[') + "\"}"));
}

TEST(JsonParsing, KeepsNullAndKeyOrder)
{
    auto reply = parseJsonObject(R"({"status":"1","qq":null,"b":2,"a":1})");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->contains("qq"));
    EXPECT_TRUE(isNullOrAbsent(*reply, "qq"));
    EXPECT_TRUE(isNullOrAbsent(*reply, "missing"));
    EXPECT_FALSE(isNullOrAbsent(*reply, "b"));
    EXPECT_EQ(reply->dump(), R"({"status":"1","qq":null,"b":2,"a":1})");
}

// A parse that searched the object for each new key took minutes here.
TEST(JsonParsing, AHugeObjectParsesInOrderWithTheLastOfDuplicateKeysWinning)
{
    constexpr int keys = 300000;
    std::string text = "{";
    for (int i = 0; i < keys; ++i)
        text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    text += "\"k7\":\"last\",\"k20\":\"late\",\"nested\":{\"a\":1,\"a\":2}}";
    auto parsed = parseJsonObject(text);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), size_t { keys } + 1);
    EXPECT_EQ(parsed->begin().key(), "k0");
    EXPECT_EQ(std::next(parsed->begin(), 7).key(), "k7");
    EXPECT_EQ(optionalText(*parsed, "k7"), "last");
    EXPECT_EQ(optionalText(*parsed, "k20"), "late");
    EXPECT_EQ(intValue(valueForKey(*parsed, "k299999")), 299999);
    EXPECT_EQ(valueForKey(*parsed, "nested").dump(), R"({"a":2})");
}

TEST(JsonParsing, NestingStopsAtTheLimit)
{
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_TRUE(parseJsonObject(nested(kMaxJsonDepth)));
    EXPECT_FALSE(parseJsonObject(nested(kMaxJsonDepth + 1)));
}

TEST(JsonReaders, AbsentValuesGiveNeutralAnswers)
{
    auto reply = parseJsonObject(R"({"status":"1","count":"12","n":3,"data":{"list":[]},"qq":null})");
    EXPECT_EQ(optionalText(reply, "status"), "1");
    EXPECT_EQ(optionalText(reply, "n"), std::nullopt); // a number is not a text
    EXPECT_EQ(optionalText(reply, "qq"), std::nullopt);
    EXPECT_TRUE(valueForKey(valueForKey(reply, "data"), "list").is_array());
    EXPECT_TRUE(valueForKey(valueForKey(reply, "status"), "x").is_null());

    std::optional<Json> failed;
    EXPECT_NE(optionalText(failed, "status"), "1");
    EXPECT_TRUE(valueForKey(failed, "data").is_null());
    EXPECT_EQ(intValue(valueForKey(failed, "count")), 0);
}

TEST(JsonReaders, NumericValueOfAnyJsonValue)
{
    auto v = parseJsonObject(R"([12.75, "3.5元", 7, true, null, [1], 1e300, -1e300, 18446744073709551615])");
    ASSERT_TRUE(v);
    const Json& a = *v;
    EXPECT_EQ(doubleValue(a[0]), 12.75);
    EXPECT_EQ(doubleValue(a[1]), 3.5);
    EXPECT_EQ(intValue(a[0]), 12);
    EXPECT_EQ(longLongValue(a[2]), 7);
    EXPECT_EQ(intValue(a[3]), 1);
    EXPECT_EQ(doubleValue(a[4]), 0.0);
    EXPECT_EQ(doubleValue(a[5]), 0.0);
    EXPECT_EQ(intValue(a[6]), INT_MAX);
    EXPECT_EQ(longLongValue(a[7]), LLONG_MIN);
    EXPECT_EQ(longLongValue(a[8]), LLONG_MAX);
}

TEST(JsonReaders, DescribeMatchesTheFormatOfAnObject)
{
    auto v = parseJsonObject(R"([1024, 12.5, 100.0, "abc", null, -3])");
    ASSERT_TRUE(v);
    EXPECT_EQ(describe((*v)[0]), "1024");
    EXPECT_EQ(describe((*v)[1]), "12.5");
    EXPECT_EQ(describe((*v)[2]), "100");
    EXPECT_EQ(describe((*v)[3]), "abc");
    EXPECT_EQ(describe((*v)[4]), "<null>");
    EXPECT_EQ(describe((*v)[5]), "-3");
}

namespace {

// The type of every value, in order: the dump alone does not tell an unsigned
// number from a signed one.
std::string typesOf(const Json& value)
{
    std::string types(1, static_cast<char>('a' + static_cast<int>(value.type())));
    if (value.is_structured()) {
        for (auto const& item : value)
            types += typesOf(item);
    }
    return types;
}

} // namespace

// The reader is our own; whatever it accepts must read as nlohmann's parser reads
// it (value, number type, key order), and whatever that parser refuses it refuses.
TEST(JsonParsing, ReadsEveryInputAsTheReferenceParserDoes)
{
    const std::string inputs[] = {
        R"({"a":"plain","b":"tab\there","c":"\"\\\/\b\f\n\r\t","d":"\u00e9\u4E2D\ud83d\ude00"})",
        "{\"中文\":\"值\xF0\x9F\x98\x80\",\"e\":\"\xC3\xA9x\xE2\x82\xAC\"}",
        R"([0,-0,1,-1,18446744073709551615,18446744073709551616,-9223372036854775808,-9223372036854775809])",
        R"([0.5,-0.0,1e2,1E+2,1e-2,2.5e-3,1.7976931348623157e308,4.9e-324,1e-400,-1e-400,0.0000e999])",
        R"([1e400])",
        R"([-1e400])",
        R"([0.1e400])",
        R"([1000e-1000])",
        R"([true,false,null,[],{},[[]],{"x":{}}])",
        " \t\r\n{ \"a\" : [ 1 , 2 ] } \n",
        R"({"k":1,"k":2,"j":3,"k":4})",
        R"([01])",
        R"([1.])",
        R"([.5])",
        R"([1e])",
        R"([-])",
        R"([+1])",
        R"([0x10])",
        R"([NaN])",
        R"([tru])",
        R"([nulls])",
        R"({"a":"\x"})",
        R"({"a":"\u12"})",
        R"({"a":"\udc00"})",
        R"({"a":"\ud800\u0041"})",
        "{\"a\":\"line\nbreak\"}",
        "{\"a\":\"\x7F\"}",
        std::string("{\"a\":\"\\u0000\"}"),
        "{\"a\":\"\xE4\xB8\"}",
        "{\"a\":\"\xF0\x9F\x98\"}",
        R"({"a" 1})",
        R"({"a":1,})",
        R"({,})",
        R"([1 2])",
        R"({1:2})",
        "[\"\xF5\x80\x80\x80\"]",
        "[\"\xE0\x9F\x80\"]",
        // Zero padding after the document ends it; a NUL inside it does not.
        std::string("{\"a\":1}\t\0\0\0", 11),
        std::string("[1]\0junk", 8),
        std::string("{\"a\":1\0}", 8),
    };
    for (const std::string& input : inputs) {
        auto const reference = Json::parse(input, nullptr, false);
        auto const ours = parseJsonObject(input);
        if (reference.is_discarded()) {
            EXPECT_EQ(ours, std::nullopt) << input;
            continue;
        }
        ASSERT_TRUE(ours) << input;
        EXPECT_EQ(*ours, reference) << input;
        EXPECT_EQ(ours->dump(), reference.dump()) << input;
        EXPECT_EQ(typesOf(*ours), typesOf(reference)) << input;
    }
}
