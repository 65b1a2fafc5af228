#pragma once

#include <curl/curl.h>
#include <string>
#include <vector>

namespace bench {

// Raw libcurl POSTing one body again and again on one easy handle, which
// keeps its connection alive between transfers: the floor the app's POSTs
// are measured against.
class KeptAlivePost {
public:
    // `headers` are whole lines ("Content-Type: ..."); no "Expect: 100-continue"
    // is ever sent, as the app's transport sends none.
    KeptAlivePost(const std::string& url, std::string body, const std::vector<std::string>& headers);
    ~KeptAlivePost();
    KeptAlivePost(const KeptAlivePost&) = delete;
    KeptAlivePost& operator=(const KeptAlivePost&) = delete;

    // Clears the last reply and sends the body; false when the transfer failed.
    bool perform();
    // For a driver that runs the handle on a multi handle of its own: clear
    // the reply before each transfer.
    CURL* handle() const { return m_easy; }
    void clearReply() { m_reply.clear(); }
    const std::string& reply() const { return m_reply; }

    // A write callback that appends what arrives to the std::string given as
    // its user data.
    static std::size_t appendToString(char* data, std::size_t size, std::size_t count, void* target);

private:
    std::string m_url;
    std::string m_body;
    curl_slist* m_headers { nullptr };
    CURL* m_easy { nullptr };
    std::string m_reply;
};

} // namespace bench
