#include "platform/net/HTTPCookieStorage.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedSlot.h"
#include "platform/foundation/Strings.h"
#include "platform/net/CurlTransport.h"

#include <curl/curl.h>

namespace net {

namespace {

foundation::SharedSlot<HTTPCookieStorage>& sharedSlot()
{
    static foundation::NeverDestroyed<foundation::SharedSlot<HTTPCookieStorage>> slot(
        [] { return HTTPCookieStorage::create(foundation::Paths::configDirectory() / "cookies.txt"); });
    return *slot;
}

// A line of the cookie file: domain, subdomains, path, secure, expiry, name, value.
// An expiry of 0 marks a cookie for the session only.
bool isSessionCookie(const std::string& line)
{
    auto const fields = foundation::split(line, "\t");
    return fields.size() < 5 || fields[4] == "0";
}

} // namespace

// libcurl's share handle and the locks it asks for: transfers of several threads
// (and the file writer) read and change one cookie store.
struct HTTPCookieStorage::Share {
    CURLSH* handle { curl_share_init() };
    // Reads and writes the whole store for loading and saving; only under m_mutex.
    CURL* own { curl_easy_init() };
    std::mutex mutex;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

    ~Share()
    {
        // The share may only go once no handle uses it.
        if (own)
            curl_easy_cleanup(own);
        if (handle)
            curl_share_cleanup(handle);
    }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self)
    {
        static_cast<Share*>(self)->locks[static_cast<size_t>(data)].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self)
    {
        static_cast<Share*>(self)->locks[static_cast<size_t>(data)].unlock();
    }
};

std::shared_ptr<HTTPCookieStorage> HTTPCookieStorage::create(std::optional<std::filesystem::path> file)
{
    return std::make_shared<HTTPCookieStorage>(Private {}, std::move(file));
}

HTTPCookieStorage::HTTPCookieStorage(Private, std::optional<std::filesystem::path> file)
    : m_file(std::move(file))
    , m_share(std::make_unique<Share>())
    , m_io(foundation::DispatchQueue::createSerial("HTTPCookieStorage"))
{
    CurlTransport::initialiseCurl();
    auto* share = m_share->handle;
    auto* own = m_share->own;
    if (!share || !own)
        return;
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Share::lock);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Share::unlock);
    curl_share_setopt(share, CURLSHOPT_USERDATA, m_share.get());
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_easy_setopt(own, CURLOPT_SHARE, share);
    if (!m_file) {
        curl_easy_setopt(own, CURLOPT_COOKIEFILE, "");
        return;
    }
    // libcurl reads its own file; lines it cannot read it skips. Session cookies a
    // file might hold are left out: a new process is a new session.
    curl_easy_setopt(own, CURLOPT_COOKIEFILE, m_file->c_str());
    curl_easy_setopt(own, CURLOPT_COOKIESESSION, 1L);
    curl_easy_setopt(own, CURLOPT_COOKIELIST, "RELOAD");
}

HTTPCookieStorage::~HTTPCookieStorage() = default;

std::shared_ptr<HTTPCookieStorage> HTTPCookieStorage::shared()
{
    return sharedSlot().get();
}

void HTTPCookieStorage::setShared(std::shared_ptr<HTTPCookieStorage> storage)
{
    sharedSlot().set(std::move(storage));
}

bool HTTPCookieStorage::attach(void* easyHandle)
{
    if (!m_share->handle || !easyHandle)
        return false;
    auto* easy = static_cast<CURL*>(easyHandle);
    // The empty file name only switches the engine on; the store already holds
    // what the file had.
    return curl_easy_setopt(easy, CURLOPT_SHARE, m_share->handle) == CURLE_OK
        && curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "") == CURLE_OK;
}

void HTTPCookieStorage::cookiesChanged()
{
    if (!m_file)
        return;
    std::lock_guard lock(m_saveMutex);
    if (m_saveQueued)
        return;
    m_saveQueued = true;
    m_io->async([self = shared_from_this()] { self->save(); });
}

void HTTPCookieStorage::flush()
{
    m_io->syncFlush();
}

std::vector<std::string> HTTPCookieStorage::cookieLines()
{
    std::vector<std::string> lines;
    std::lock_guard lock(m_share->mutex);
    if (!m_share->own)
        return lines;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(m_share->own, CURLINFO_COOKIELIST, &list) != CURLE_OK)
        return lines;
    for (auto* item = list; item; item = item->next)
        lines.emplace_back(item->data);
    curl_slist_free_all(list);
    return lines;
}

void HTTPCookieStorage::save()
{
    {
        // Changes from here on queue another write.
        std::lock_guard lock(m_saveMutex);
        m_saveQueued = false;
    }
    std::string text = "# Netscape HTTP Cookie File\n";
    for (auto const& line : cookieLines()) {
        if (!isSessionCookie(line))
            text += line + "\n";
    }
    (void)foundation::Paths::writeFileAtomically(*m_file, text, 0600);
}

} // namespace net
