// The HTTP front's request reader fed with arbitrary bytes, cut into pieces
// of sizes the input picks, as a hostile client would send them. Whatever
// comes, it takes no more than it was given, holds no body past its limit,
// and reads a pipeline of requests one after another.
//
// Input layout: one byte picks the piece size (1 to 256), the rest is the
// byte stream of the connection.

#include "server/HttpRequestParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    std::size_t piece = static_cast<std::size_t>(data[0]) + 1;
    std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

    merchant::HttpLimits limits;
    // Small limits, so that the fuzzer reaches them.
    limits.maxBodyBytes = 512;
    limits.maxRequestLineBytes = 128;
    limits.maxHeadBytes = 1024;
    limits.maxHeaderCount = 8;
    merchant::HttpRequestParser parser(limits);

    std::size_t at = 0;
    while (at < stream.size()) {
        std::string_view chunk = stream.substr(at, piece);
        std::size_t used = parser.feed(chunk);
        if (used > chunk.size())
            std::abort();
        at += used;
        if (parser.request().body.size() > limits.maxBodyBytes)
            std::abort();
        if (parser.status() == merchant::HttpRequestParser::Status::Failed)
            break;
        if (parser.status() == merchant::HttpRequestParser::Status::Done) {
            if (parser.request().method.empty() || parser.request().target.empty())
                std::abort();
            parser.reset();
        } else if (used < chunk.size()) {
            std::abort(); // a request still reading leaves no byte behind
        }
    }
    return 0;
}
