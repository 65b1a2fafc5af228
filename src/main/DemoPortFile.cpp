#include "main/DemoPortFile.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/Strings.h"

#include <charconv>
#include <string>

DemoPortFile::DemoPortFile(std::filesystem::path file)
    : m_file(std::move(file))
{
}

DemoPortFile DemoPortFile::inCachesDirectory()
{
    return DemoPortFile(foundation::Paths::cachesDirectory() / "demo-port");
}

std::optional<int> DemoPortFile::read() const
{
    auto contents = foundation::Paths::readFile(m_file);
    if (contents.isError())
        return std::nullopt;
    std::string const text = foundation::trimWhitespaceAndNewlines(contents.value());
    int port = 0;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

void DemoPortFile::write(int port) const
{
    (void)foundation::Paths::writeFileAtomically(m_file, std::to_string(port) + "\n", 0600);
}
