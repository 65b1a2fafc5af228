#include "platform/foundation/UUID.h"

#include <cerrno>
#include <cstdlib>
#include <sys/random.h>

namespace foundation {

UUID::UUID()
{
    std::size_t filled = 0;
    while (filled < m_bytes.size()) {
        auto const got = getrandom(m_bytes.data() + filled, m_bytes.size() - filled, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            // Identifiers that could repeat would merge unrelated requests and
            // files; without the kernel's randomness there is no safe way on.
            std::abort();
        }
        filled += static_cast<std::size_t>(got);
    }
    m_bytes[6] = static_cast<std::uint8_t>((m_bytes[6] & 0x0F) | 0x40);
    m_bytes[8] = static_cast<std::uint8_t>((m_bytes[8] & 0x3F) | 0x80);
}

std::string UUID::uuidString() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += digits[m_bytes[i] >> 4];
        text += digits[m_bytes[i] & 0x0F];
    }
    return text;
}

} // namespace foundation
