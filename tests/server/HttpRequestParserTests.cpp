#include "server/HttpRequestParser.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using merchant::HttpLimits;
using merchant::HttpRequestParser;
using Status = HttpRequestParser::Status;

// Feeds the whole text; returns the failure status, or 0 when it parsed.
int outcome(const std::string& text, HttpLimits limits = {})
{
    HttpRequestParser parser(limits);
    parser.feed(text);
    if (parser.status() == Status::Failed)
        return parser.failure();
    return parser.status() == Status::Done ? 0 : -1;
}

const std::string kChunked = "POST /UserApi/Index/getUserInfo HTTP/1.1\r\nHost: x\r\nQvKey: k\r\n"
                             "Transfer-Encoding: chunked\r\n\r\n"
                             "5;ext=1\r\nhello\r\n6\r\n world\r\n0\r\nX-Trailer: 1\r\n\r\n";

TEST(HttpRequestParserTest, request_arriving_byte_by_byte_reads_as_it_does_whole)
{
    HttpRequestParser whole({});
    ASSERT_EQ(whole.feed(kChunked), kChunked.size());
    ASSERT_EQ(whole.status(), Status::Done);
    EXPECT_EQ(whole.request().body, "hello world");
    EXPECT_EQ(*whole.request().header("qvkey"), "k");

    for (std::size_t piece : { 1u, 2u, 3u, 7u }) {
        HttpRequestParser parser({});
        for (std::size_t at = 0; at < kChunked.size(); at += piece)
            ASSERT_EQ(parser.feed(std::string_view(kChunked).substr(at, piece)),
                std::min(piece, kChunked.size() - at));
        ASSERT_EQ(parser.status(), Status::Done) << piece;
        EXPECT_EQ(parser.request().body, "hello world") << piece;
        EXPECT_EQ(parser.request().target, "/UserApi/Index/getUserInfo");
    }
}

TEST(HttpRequestParserTest, pipelined_requests_are_taken_one_at_a_time_with_their_keep_alive)
{
    std::string first = "POST /a HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc";
    std::string second = "GET /b HTTP/1.0\r\nConnection: keep-alive\r\n\r\n";
    std::string third = "\r\nGET /c HTTP/1.1\r\nConnection: close\r\n\r\n";
    std::string all = first + second + third;
    HttpRequestParser parser({});
    std::size_t used = parser.feed(all);
    EXPECT_EQ(used, first.size());
    EXPECT_EQ(parser.request().body, "abc");
    EXPECT_TRUE(parser.request().keepAlive);
    parser.reset();
    used += parser.feed(std::string_view(all).substr(used));
    EXPECT_EQ(parser.request().target, "/b");
    EXPECT_TRUE(parser.request().keepAlive) << "HTTP/1.0 keeps the connection only when asked";
    parser.reset();
    parser.feed(std::string_view(all).substr(used));
    EXPECT_EQ(parser.request().target, "/c") << "a blank line before a request is skipped";
    EXPECT_FALSE(parser.request().keepAlive);

    // A client that waits for "100 Continue" is told once, before its body.
    parser.reset();
    parser.feed("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\n");
    EXPECT_TRUE(parser.awaitsContinue());
    parser.feed("a");
    EXPECT_FALSE(parser.awaitsContinue());
}

TEST(HttpRequestParserTest, every_body_is_held_to_one_limit_whatever_its_framing)
{
    HttpLimits limits;
    limits.maxBodyBytes = 1000;
    std::string head = "POST / HTTP/1.1\r\n";
    EXPECT_EQ(outcome(head + "Content-Length: 1000\r\n\r\n" + std::string(1000, 'x'), limits), 0);
    EXPECT_EQ(outcome(head + "Content-Length: 1001\r\n\r\n", limits), 413) << "refused before the body";
    std::string chunkedHead = head + "Transfer-Encoding: chunked\r\n\r\n";
    std::string chunk = "1f4\r\n" + std::string(500, 'x') + "\r\n";
    EXPECT_EQ(outcome(chunkedHead + chunk + chunk + "0\r\n\r\n", limits), 0);
    EXPECT_EQ(outcome(chunkedHead + chunk + chunk + "1\r\n", limits), 413);
    EXPECT_EQ(outcome(chunkedHead + "ffffffffffffffffffffffff\r\n", limits), 413) << "no overflow";
}

TEST(HttpRequestParserTest, heads_past_their_limits_are_refused_before_they_are_held)
{
    std::string line = "GET / HTTP/1.1\r\n";
    std::string headers;
    for (int i = 0; i < 100; ++i)
        headers += "X-" + std::to_string(i) + ": 1\r\n";
    EXPECT_EQ(outcome(line + headers + "\r\n"), 0);
    EXPECT_EQ(outcome(line + headers + "X-More: 1\r\n"), 431) << "count";
    EXPECT_EQ(outcome(line + "X-Big: " + std::string(40'000, 'a')), 431) << "size, before the line ends";
    EXPECT_EQ(outcome("GET /" + std::string(9000, 'a')), 414);

    HttpLimits limits;
    limits.maxHeaderCount = 2;
    EXPECT_EQ(
        outcome("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\nA: 1\r\nB: 2\r\nC: 3\r\n", limits),
        431)
        << "the trailer has a head's limits";
}

TEST(HttpRequestParserTest, ambiguous_or_unsupported_framing_is_refused)
{
    std::string post = "POST / HTTP/1.1\r\n";
    EXPECT_EQ(outcome(post + "Content-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"), 400);
    EXPECT_EQ(outcome(post + "Content-Length: 3\r\nContent-Length: 4\r\n\r\n"), 400);
    EXPECT_EQ(outcome(post + "Content-Length: +3\r\n\r\n"), 400);
    EXPECT_EQ(outcome(post + "Transfer-Encoding: gzip, chunked\r\n\r\n"), 501);
    EXPECT_EQ(outcome("POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n"), 400);
    EXPECT_EQ(outcome(post + "X-A: 1\r\n folded\r\n\r\n"), 400);
    EXPECT_EQ(outcome(post + "X A: 1\r\n\r\n"), 400);
    EXPECT_EQ(outcome(post + "Transfer-Encoding: chunked\r\n\r\n3\r\nabcX\r\n"), 400);
    EXPECT_EQ(outcome(post + "Transfer-Encoding: chunked\r\n\r\nzz\r\n"), 400);
    EXPECT_EQ(outcome(post + "Expect: magic\r\n\r\n"), 417);
    EXPECT_EQ(outcome("GET / HTTP/2.0\r\n\r\n"), 505);
    EXPECT_EQ(outcome("GET  / HTTP/1.1\r\n\r\n"), 400);
    EXPECT_EQ(outcome("GET /\x01 HTTP/1.1\r\n\r\n"), 400);
}

} // namespace
