#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// Where written bytes go, in order: a growing buffer in memory or a file.
// Nothing is written before open() or after close(); a file that cannot be
// opened or written takes nothing (hasSpaceAvailable() says false) and
// streamError() says why.
class OutputStream {
public:
    static std::shared_ptr<OutputStream> toMemory();
    // The file is created with mode 0600 when missing; `append` keeps what it holds.
    static std::shared_ptr<OutputStream> toFile(std::filesystem::path path, bool append);

    ~OutputStream();
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    void open();
    void close();
    bool isOpen() const;
    bool hasSpaceAvailable() const;
    // The count of bytes taken: all of them, or -1 on a failure.
    long long write(std::string_view bytes);

    // What a memory stream holds (empty for a file).
    std::string data() const;
    const std::optional<std::filesystem::path>& path() const { return m_path; }
    std::optional<std::string> streamError() const;

    struct Private {
        explicit Private() = default;
    };
    OutputStream(Private, std::optional<std::filesystem::path> path, bool append);

private:
    const std::optional<std::filesystem::path> m_path;
    const bool m_append;
    mutable std::mutex m_mutex;
    bool m_open { false };
    bool m_closed { false };
    std::FILE* m_file { nullptr };
    std::string m_data;
    std::optional<std::string> m_error;
};

} // namespace foundation
