#pragma once

#include <filesystem>
#include <optional>

// Where `cashier --demo` keeps the port its back end listened on, so that the
// next run with the same home listens there again when it can: the portraits'
// URLs name the port, and so do their keys in the image cache. A file of the
// program's own beside the caches, apart from the settings.
class DemoPortFile {
public:
    explicit DemoPortFile(std::filesystem::path file);
    // "demo-port" in the caches folder of the home in use.
    static DemoPortFile inCachesDirectory();

    // The port written last; none when the file is missing or holds anything
    // but a port (1 to 65535).
    std::optional<int> read() const;
    // A failed write only costs the next run its cached portraits.
    void write(int port) const;

    const std::filesystem::path& path() const { return m_file; }

private:
    std::filesystem::path m_file;
};
