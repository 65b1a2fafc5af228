#include "platform/foundation/OutputStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace foundation {

std::shared_ptr<OutputStream> OutputStream::toMemory()
{
    return std::make_shared<OutputStream>(Private {}, std::nullopt, false);
}

std::shared_ptr<OutputStream> OutputStream::toFile(std::filesystem::path path, bool append)
{
    return std::make_shared<OutputStream>(Private {}, std::move(path), append);
}

OutputStream::OutputStream(Private, std::optional<std::filesystem::path> path, bool append)
    : m_path(std::move(path))
    , m_append(append)
{
}

OutputStream::~OutputStream()
{
    close();
}

void OutputStream::open()
{
    std::lock_guard lock(m_mutex);
    if (m_open || m_closed)
        return;
    m_open = true;
    if (!m_path)
        return;
    int const flags = O_WRONLY | O_CREAT | O_CLOEXEC | (m_append ? O_APPEND : O_TRUNC);
    int const fd = ::open(m_path->c_str(), flags, 0600);
    if (fd < 0) {
        m_error = std::strerror(errno);
        return;
    }
    m_file = ::fdopen(fd, m_append ? "a" : "w");
    if (!m_file) {
        m_error = std::strerror(errno);
        ::close(fd);
    }
}

void OutputStream::close()
{
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return;
    m_closed = true;
    m_open = false;
    if (m_file) {
        if (std::fclose(m_file) != 0 && !m_error)
            m_error = std::strerror(errno);
        m_file = nullptr;
    }
}

bool OutputStream::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

bool OutputStream::hasSpaceAvailable() const
{
    std::lock_guard lock(m_mutex);
    return m_open && !m_error && (!m_path || m_file);
}

long long OutputStream::write(std::string_view bytes)
{
    std::lock_guard lock(m_mutex);
    if (!m_open || m_error)
        return -1;
    if (!m_path) {
        m_data.append(bytes);
        return static_cast<long long>(bytes.size());
    }
    if (!m_file || std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        m_error = m_file ? std::strerror(errno) : "not open";
        return -1;
    }
    return static_cast<long long>(bytes.size());
}

std::string OutputStream::data() const
{
    std::lock_guard lock(m_mutex);
    return m_data;
}

std::optional<std::string> OutputStream::streamError() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

} // namespace foundation
