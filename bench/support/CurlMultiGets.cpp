#include "bench/support/CurlMultiGets.h"

#include "bench/support/KeptAlivePost.h"

namespace bench {

CurlMultiGets::CurlMultiGets(const std::vector<std::string>& urls, long connections)
    : m_multi(curl_multi_init())
    , m_urls(urls)
    , m_bodies(urls.size())
    , m_handles(urls.size())
{
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, connections);
    for (std::size_t i = 0; i < m_urls.size(); ++i) {
        m_handles[i] = curl_easy_init();
        curl_easy_setopt(m_handles[i], CURLOPT_URL, m_urls[i].c_str());
        curl_easy_setopt(m_handles[i], CURLOPT_WRITEFUNCTION, &KeptAlivePost::appendToString);
        curl_easy_setopt(m_handles[i], CURLOPT_WRITEDATA, &m_bodies[i]);
    }
}

CurlMultiGets::~CurlMultiGets()
{
    for (CURL* handle : m_handles)
        curl_easy_cleanup(handle);
    curl_multi_cleanup(m_multi);
}

bool CurlMultiGets::run()
{
    for (std::size_t i = 0; i < m_handles.size(); ++i) {
        m_bodies[i].clear();
        curl_multi_add_handle(m_multi, m_handles[i]);
    }
    int running = 1;
    while (running) {
        curl_multi_perform(m_multi, &running);
        if (running)
            curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
    }
    bool ok = true;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->data.result != CURLE_OK)
            ok = false;
    }
    for (CURL* handle : m_handles)
        curl_multi_remove_handle(m_multi, handle);
    return ok;
}

} // namespace bench
