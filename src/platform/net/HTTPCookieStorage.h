#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace foundation {
class DispatchQueue;
}

namespace net {

// The process's cookies, for the requests that handle them
// (URLRequest::httpShouldHandleCookies): libcurl's own cookie engine, one store
// shared by every transfer that attaches to it, on whatever thread it runs.
//
// Cookies that outlive the session are kept in a cookie file of libcurl's
// ("Netscape") format, mode 0600, replaced whole each time the store changes; they
// are read back when the store is made. Session cookies end with the process.
class HTTPCookieStorage : public std::enable_shared_from_this<HTTPCookieStorage> {
public:
    // Without a file the cookies live in memory only.
    static std::shared_ptr<HTTPCookieStorage> create(std::optional<std::filesystem::path> file);
    ~HTTPCookieStorage();
    HTTPCookieStorage(const HTTPCookieStorage&) = delete;
    HTTPCookieStorage& operator=(const HTTPCookieStorage&) = delete;

    // The store whose file is "cookies.txt" of the settings directory, made on first use.
    static std::shared_ptr<HTTPCookieStorage> shared();
    // nullptr lets the next shared() make one again (under the home of that moment).
    static void setShared(std::shared_ptr<HTTPCookieStorage> storage);

    // Lets a libcurl easy handle send this store's cookies and keep the ones its
    // replies set. The store must outlive the handle.
    bool attach(void* easyHandle);
    // A reply set a cookie: the file is written again soon, off the caller's thread.
    void cookiesChanged();
    // Waits for a pending write of the file.
    void flush();

    // Every cookie as a line of the file's format, session cookies included.
    std::vector<std::string> cookieLines();

    struct Private { };
    HTTPCookieStorage(Private, std::optional<std::filesystem::path> file);

private:
    struct Share;
    void save();

    const std::optional<std::filesystem::path> m_file;
    std::unique_ptr<Share> m_share;
    std::shared_ptr<foundation::DispatchQueue> m_io;
    std::mutex m_saveMutex;
    bool m_saveQueued { false };
};

} // namespace net
