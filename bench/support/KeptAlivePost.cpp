#include "bench/support/KeptAlivePost.h"

namespace bench {

KeptAlivePost::KeptAlivePost(
    const std::string& url, std::string body, const std::vector<std::string>& headers)
    : m_url(url)
    , m_body(std::move(body))
    , m_easy(curl_easy_init())
{
    for (const auto& header : headers)
        m_headers = curl_slist_append(m_headers, header.c_str());
    m_headers = curl_slist_append(m_headers, "Expect:");
    curl_easy_setopt(m_easy, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
    curl_easy_setopt(m_easy, CURLOPT_POSTFIELDS, m_body.c_str());
    curl_easy_setopt(m_easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_body.size()));
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &appendToString);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, &m_reply);
}

KeptAlivePost::~KeptAlivePost()
{
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
}

bool KeptAlivePost::perform()
{
    m_reply.clear();
    return curl_easy_perform(m_easy) == CURLE_OK;
}

std::size_t KeptAlivePost::appendToString(char* data, std::size_t size, std::size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

} // namespace bench
