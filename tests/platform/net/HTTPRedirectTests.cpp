#include "platform/net/HTTPRedirect.h"

#include <gtest/gtest.h>

using net::HTTPRedirect;
using net::HTTPURLResponse;
using net::URLRequest;
using net::URLRequestRedirectPolicy;

namespace {

HTTPURLResponse redirect(int status, std::string location)
{
    net::HTTPHeaders headers;
    headers.set("Location", std::move(location));
    return HTTPURLResponse("http://api.example/PayApi/x", status, headers);
}

URLRequest signedPost()
{
    URLRequest request("http://api.example/PayApi/x");
    request.setHTTPMethod("POST");
    request.setHTTPBody(std::string("cipher"));
    request.setValueForHTTPHeaderField("merchant-key", "qvkey");
    request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
    request.setValueForHTTPHeaderField("zh-Hans", "Accept-Language");
    return request;
}

} // namespace

TEST(HTTPRedirectTest, origins_compare_by_scheme_host_and_port_not_by_spelling)
{
    EXPECT_TRUE(HTTPRedirect::isSameOrigin("http://API.example/a", "HTTP://api.example:80/b?c"));
    EXPECT_TRUE(HTTPRedirect::isSameOrigin("https://[::1]:8443/", "https://[::1]:8443/x"));
    EXPECT_FALSE(HTTPRedirect::isSameOrigin("http://api.example/", "https://api.example/"));
    EXPECT_FALSE(HTTPRedirect::isSameOrigin("http://api.example/", "http://api.example:8080/"));
    // The part before '@' is user information: the host is the one after it.
    EXPECT_FALSE(HTTPRedirect::isSameOrigin("http://api.example/", "http://api.example@evil.example/"));
    EXPECT_FALSE(HTTPRedirect::isSameOrigin("/relative", "/relative"));
}

TEST(HTTPRedirectTest, a_hop_to_another_origin_keeps_no_key_and_no_body)
{
    auto const request = signedPost();

    auto sameHost = HTTPRedirect::next(request, redirect(307, "/PayApi/y"));
    ASSERT_TRUE(sameHost.next);
    EXPECT_EQ(sameHost.next->valueForHTTPHeaderField("qvkey"), "merchant-key");
    EXPECT_EQ(sameHost.next->httpBody(), "cipher");

    auto found = HTTPRedirect::next(request, redirect(302, "http://evil.example/collect"));
    ASSERT_TRUE(found.next);
    EXPECT_EQ(found.next->httpMethod(), "GET");
    EXPECT_FALSE(found.next->httpBody());
    EXPECT_FALSE(found.next->valueForHTTPHeaderField("qvkey"));
    EXPECT_EQ(found.next->valueForHTTPHeaderField("Accept-Language"), "zh-Hans");

    for (int status : { 307, 308 }) {
        auto carried = HTTPRedirect::next(request, redirect(status, "//evil.example/collect"));
        EXPECT_FALSE(carried.next) << status;
        EXPECT_TRUE(carried.error) << status;
    }

    auto sameOriginOnly = request;
    sameOriginOnly.setRedirectPolicy(URLRequestRedirectPolicy::FollowSameOrigin);
    auto refused = HTTPRedirect::next(sameOriginOnly, redirect(302, "http://evil.example/"));
    EXPECT_FALSE(refused.next);
    EXPECT_TRUE(refused.error);

    auto handBack = request;
    handBack.setRedirectPolicy(URLRequestRedirectPolicy::HandBack);
    auto answer = HTTPRedirect::next(handBack, redirect(302, "/PayApi/y"));
    EXPECT_FALSE(answer.next);
    EXPECT_FALSE(answer.error);
}
