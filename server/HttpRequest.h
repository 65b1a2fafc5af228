#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace merchant {

// One request as the HTTP front read it; the body is already unframed.
struct HttpRequest {
    std::string method;
    std::string target; // as sent: path and query, not decoded
    int minorVersion = 1; // HTTP/1.minorVersion
    std::vector<std::pair<std::string, std::string>> headers; // names in lower case, in arrival order
    std::string body;
    bool keepAlive = true;
    bool expectContinue = false;

    // The last field of that name (given in lower case), or nullptr.
    const std::string* header(std::string_view name) const
    {
        for (auto it = headers.rbegin(); it != headers.rend(); ++it) {
            if (it->first == name)
                return &it->second;
        }
        return nullptr;
    }
};

// What a handler answers. The front writes it with a Content-Length; it
// never compresses: the replies are small and the client gains nothing.
struct HttpReply {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    // Held back this long before it is written; the connection waits, no
    // thread does.
    std::chrono::milliseconds delay { 0 };
    // Abort the connection (a reset) instead of answering.
    bool resetConnection = false;
};

} // namespace merchant
