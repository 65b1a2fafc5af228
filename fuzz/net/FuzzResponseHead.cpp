// A hostile server's response head, read line by line as the transport reads it,
// then the redirect it may ask for, resolved against a signed request.
//
// Input: the response head's lines separated by '\n'. The first byte also picks
// the redirect policy. Aborts when a hop to another origin would carry the key
// header or the body, or when the head grows past its limits.

#include "platform/net/HTTPRedirect.h"
#include "platform/net/HTTPResponseHead.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    net::HTTPResponseHead head;
    size_t lines = 0;
    while (!input.empty() && head.state() == net::HTTPResponseHead::State::Reading) {
        auto const end = input.find('\n');
        auto const line = input.substr(0, end == std::string_view::npos ? input.size() : end + 1);
        input.remove_prefix(line.size());
        head.addLine(line);
        ++lines;
    }
    if (head.state() != net::HTTPResponseHead::State::Complete)
        return 0;
    auto headers = head.takeHeaders();
    if (headers.fields().size() > net::HTTPResponseHead::maxFields || headers.fields().size() > lines)
        std::abort();

    net::URLRequest request("http://api.example:8080/PayApi/OfflinePay/refund");
    request.setHTTPMethod(size > 0 && data[0] & 1 ? "POST" : "PUT");
    request.setHTTPBody(std::string("cipher"));
    request.setValueForHTTPHeaderField("merchant-key", "qvkey");
    request.setRedirectPolicy(size > 0 && data[0] & 2 ? net::URLRequestRedirectPolicy::FollowSameOrigin
                                                      : net::URLRequestRedirectPolicy::Follow);
    net::HTTPURLResponse response(request.url(), head.statusCode(), headers);
    auto step = net::HTTPRedirect::next(request, response);
    if (step.next && !net::HTTPRedirect::isSameOrigin(request.url(), step.next->url())) {
        if (request.redirectPolicy() == net::URLRequestRedirectPolicy::FollowSameOrigin)
            std::abort();
        if (step.next->valueForHTTPHeaderField("qvkey") || step.next->httpBody())
            std::abort();
    }
    return 0;
}
