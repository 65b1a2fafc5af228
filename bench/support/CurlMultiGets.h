#pragma once

#include <curl/curl.h>
#include <string>
#include <vector>

namespace bench {

// Raw curl multi running a batch of GETs at once over at most `connections`
// connections, its easy handles kept from batch to batch as a client keeps
// its connections: the floor the app's parallel downloads are measured against.
class CurlMultiGets {
public:
    CurlMultiGets(const std::vector<std::string>& urls, long connections);
    ~CurlMultiGets();
    CurlMultiGets(const CurlMultiGets&) = delete;
    CurlMultiGets& operator=(const CurlMultiGets&) = delete;

    // Runs every transfer of the batch to its end; false when any failed.
    bool run();

private:
    CURLM* m_multi { nullptr };
    std::vector<std::string> m_urls;
    std::vector<std::string> m_bodies;
    std::vector<CURL*> m_handles;
};

} // namespace bench
