#pragma once

#include <chrono>
#include <cstddef>

namespace merchant {

// What one client may ask of the HTTP front before it is refused or cut off.
// Every body, whatever its framing, has the one limit maxBodyBytes.
struct HttpLimits {
    // Request bodies, counted after chunked framing is removed (413 past it).
    std::size_t maxBodyBytes = 1 << 20;
    // The request line alone (414 past it).
    std::size_t maxRequestLineBytes = 8 * 1024;
    // The request line and every header line together, and again the
    // trailer of a chunked body (431 past it).
    std::size_t maxHeadBytes = 32 * 1024;
    std::size_t maxHeaderCount = 100;

    // A connection that has sent no byte of its next request is closed
    // after idleTimeout; one whose request head is still incomplete
    // headTimeout after its first byte, or whose body is incomplete
    // bodyTimeout after the head, is answered 408 and closed. A reply the
    // client does not read within writeTimeout is abandoned.
    std::chrono::milliseconds idleTimeout { 5'000 };
    std::chrono::milliseconds headTimeout { 10'000 };
    std::chrono::milliseconds bodyTimeout { 30'000 };
    std::chrono::milliseconds writeTimeout { 10'000 };

    // Connections open at once; more are closed as soon as they are accepted.
    std::size_t maxConnections = 4096;
};

} // namespace merchant
