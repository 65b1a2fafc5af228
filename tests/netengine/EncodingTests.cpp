#include "netengine/MultipartFormData.h"
#include "netengine/NEBase64.h"
#include "netengine/NetworkEngineAdditions.h"
#include "netengine/RequestEncoding.h"
#include "netengine/ResponseCacheHeaders.h"
#include "platform/foundation/HTTPDate.h"
#include "platform/net/HTTPURLResponse.h"

#include <gtest/gtest.h>

using foundation::Json;

TEST(FormEncoding, EscapesEverythingThatWouldChangeTheFormsMeaning)
{
    Json fields = Json::object();
    fields["a b"] = "x&y";
    fields["pwd"] = "1+1=2?#/%";
    fields["name"] = "张三";
    fields["count"] = 3;
    fields["price"] = 12.5;
    EXPECT_EQ(RequestEncoding::urlEncodedKeyValueString(fields),
        "a%20b=x%26y&pwd=1%2B1%3D2%3F%23%2F%25&name=%E5%BC%A0%E4%B8%89&count=3&price=12.5");
    EXPECT_EQ(RequestEncoding::urlEncodedKeyValueString(Json::object()), "");
    EXPECT_EQ(NetworkEngineAdditions::ne_urlEncodedString("-._~AZaz09"), "-._~AZaz09");
}

TEST(FormEncoding, DecodingTakesAnEscapedPlusLiterally)
{
    EXPECT_EQ(NetworkEngineAdditions::urlDecodedString("a+b%2Bc%20d"), "a b+c d");
    EXPECT_EQ(NetworkEngineAdditions::urlDecodedString("%E5%BC%A0"), "张");
    EXPECT_EQ(NetworkEngineAdditions::urlDecodedString("bad%2"), "");
    EXPECT_EQ(NetworkEngineAdditions::urlDecodedString("%FF"), "");
}

TEST(BodyEncodings, JsonAndPropertyListCarryEveryValueType)
{
    Json fields = Json::object();
    fields["k"] = "<&>";
    fields["n"] = 7;
    fields["ok"] = true;
    fields["list"] = Json::array({ 1.5, "x" });
    EXPECT_EQ(RequestEncoding::jsonEncodedKeyValueString(fields),
        R"({"k":"<&>","n":7,"ok":true,"list":[1.5,"x"]})");
    EXPECT_EQ(RequestEncoding::plistEncodedKeyValueString(fields),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
        "\t<key>k</key>\n\t<string>&lt;&amp;&gt;</string>\n"
        "\t<key>n</key>\n\t<integer>7</integer>\n"
        "\t<key>ok</key>\n\t<true/>\n"
        "\t<key>list</key>\n\t<array>\n\t\t<real>1.5</real>\n\t\t<string>x</string>\n\t</array>\n"
        "</dict>\n</plist>\n");
    fields["missing"] = nullptr;
    EXPECT_EQ(RequestEncoding::plistEncodedKeyValueString(fields), "");
}

TEST(Base64, PaddingAndLineBreaksAtTheGroupBoundaries)
{
    EXPECT_EQ(NEBase64::encode("", false), "");
    EXPECT_EQ(NEBase64::encode("a", false), "YQ==");
    EXPECT_EQ(NEBase64::encode("ab", false), "YWI=");
    std::string const bytes(96, '\xFF');
    auto wrapped = NEBase64::encode(bytes, true);
    EXPECT_EQ(wrapped.find("\r\n"), 64u);
    EXPECT_EQ(wrapped.size(), 128u + 2); // no break after the last line
    EXPECT_EQ(NEBase64::decode(wrapped), bytes);
}

TEST(Base64, DecodingSkipsWhatIsNotInTheAlphabet)
{
    EXPECT_EQ(NEBase64::decode("YWJj\r\n"), "abc");
    EXPECT_EQ(NEBase64::decode("YWI="), "ab");
    EXPECT_EQ(NEBase64::decode("Y"), "");
    EXPECT_EQ(NEBase64::decode("!!==\xC3\xA9"), "");
    EXPECT_EQ(NEBase64::dataFromBase64String("YWJj\xC3\xA9"), "");
    EXPECT_EQ(NEBase64::base64EncodedString("user:pass"), "dXNlcjpwYXNz");
}

TEST(Identifiers, Md5StopsAtTheFirstZeroByte)
{
    EXPECT_EQ(NetworkEngineAdditions::md5(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(
        NetworkEngineAdditions::md5(std::string_view("abc\0def", 7)), NetworkEngineAdditions::md5("abc"));
    EXPECT_NE(NetworkEngineAdditions::uniqueString(), NetworkEngineAdditions::uniqueString());
}

TEST(Multipart, RandomBoundaryAndNamesThatCannotBreakTheirHeader)
{
    MultipartFormData first;
    MultipartFormData second;
    EXPECT_NE(first.boundary(), second.boundary());

    first.appendField("a\"b\r\nX-Injected: 1", "value");
    first.appendFile("file", "my \"pic\".png", "image/png\r\nX: 1", std::string("\x89PNG\0", 5));
    auto const body = first.body();
    auto const dash = "--" + first.boundary();
    EXPECT_EQ(body.find(dash
                  + "\r\nContent-Disposition: form-data; name=\"a%22b%0D%0AX-Injected: 1\"\r\n\r\nvalue\r\n"),
        0u);
    EXPECT_NE(
        body.find("filename=\"my %22pic%22.png\"\r\nContent-Type: image/pngX: 1\r\n"), std::string::npos);
    EXPECT_NE(body.find(std::string("\x89PNG\0\r\n", 7)), std::string::npos);
    EXPECT_TRUE(body.ends_with("\r\n" + dash + "--\r\n"));
    EXPECT_EQ(first.contentType("utf-8"), "multipart/form-data; charset=utf-8; boundary=" + first.boundary());
}

TEST(Multipart, ContentHoldingTheBoundaryGetsANewOne)
{
    MultipartFormData form;
    auto const old = form.boundary();
    form.appendField("evil", "--" + old + "--");
    EXPECT_NE(form.boundary(), old);
    EXPECT_EQ(form.body().find("--" + form.boundary()), 0u);
}

namespace {

net::HTTPURLResponse responseWith(std::vector<std::pair<std::string, std::string>> fields)
{
    net::HTTPHeaders headers;
    for (auto& [name, value] : fields)
        headers.set(name, value);
    return net::HTTPURLResponse("http://h/x", 200, headers);
}

double expiresIn(const net::HTTPHeaders& headers, double now)
{
    auto expires = headers.value("Expires");
    return expires ? *foundation::HTTPDate::dateFromRFC1123(*expires) - now : -1;
}

} // namespace

TEST(CacheHeaders, LifetimeFromTypeValidatorsAndCacheControlInOrder)
{
    double const now = 1767225600;
    EXPECT_EQ(expiresIn(ResponseCacheHeaders::forResponse(responseWith({}), now), now), 7 * 86400);
    EXPECT_EQ(expiresIn(ResponseCacheHeaders::forResponse(
                            responseWith({ { "Content-Type", "image/png" }, { "ETag", "\"1\"" } }), now),
                  now),
        86400);
    EXPECT_EQ(expiresIn(ResponseCacheHeaders::forResponse(
                            responseWith({ { "Cache-Control", "max-age=120" } }), now),
                  now),
        120);
    EXPECT_EQ(expiresIn(ResponseCacheHeaders::forResponse(
                            responseWith({ { "Cache-Control", "no-cache, max-age=5" } }), now),
                  now),
        5);
    EXPECT_EQ(expiresIn(ResponseCacheHeaders::forResponse(
                            responseWith({ { "Cache-Control", "max-age=5, no-cache" } }), now),
                  now),
        60);

    // Text with no stated lifetime keeps the server's own date, and its validators.
    auto kept = ResponseCacheHeaders::forResponse(
        responseWith({ { "Content-Type", "text/html" }, { "Expires", "Thu, 01 Jan 2026 00:00:00 GMT" },
            { "Last-Modified", "lm" }, { "ETag", "e" } }),
        now);
    EXPECT_EQ(kept.value("Expires"), "Thu, 01 Jan 2026 00:00:00 GMT");
    EXPECT_EQ(kept.value("Last-Modified"), "lm");
    EXPECT_EQ(kept.value("ETag"), "e");
    EXPECT_TRUE(
        ResponseCacheHeaders::forResponse(responseWith({ { "Content-Type", "text/html" } }), now).empty());
}
