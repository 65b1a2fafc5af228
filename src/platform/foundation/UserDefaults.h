#pragma once

// The app's persistent settings: typed values (texts and dates) under text
// keys, kept in one JSON file that synchronize() replaces atomically (mode
// 0600: it holds merchant keys). Setters change memory only; writers call
// synchronize() to make their values durable.
//
// A settings file that cannot be read or parsed, or is larger than
// kMaxFileBytes, is never overwritten: it is renamed to
// "<file>.corrupt-<UTC time>" (said on standard error) and the settings start
// empty. When even that rename fails, synchronize() refuses to write and says
// why. Temporary files of a save cut short by a kill are removed on loading.
//
// Entries of other types found in the file are kept and written back, but
// the typed readers do not see them.

#include "platform/foundation/Json.h"
#include "platform/foundation/Result.h"
#include "platform/foundation/Strings.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace foundation {

class UserDefaults {
public:
    // A few dozen short texts take a few KiB; a file far past that is not ours.
    static constexpr uintmax_t kMaxFileBytes = 1 << 20;

    struct Date {
        double secondsSince1970;
        bool operator==(const Date&) const = default;
    };
    using Value = std::variant<std::string, Date>;

    // The app's settings in Paths::configDirectory()/defaults.json, read on
    // first use.
    static UserDefaults& standard();
    // Drops the standard settings' memory and reads them again from the file
    // of the current Paths location: a restart, for tests and for --home.
    static void resetStandard();

    explicit UserDefaults(std::filesystem::path file);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    void setObject(std::string text, std::string_view key);
    // Setting an absent text removes the key.
    template<OptionalText T> void setObject(const T& text, std::string_view key)
    {
        if (text)
            setObject(*text, key);
        else
            removeObjectForKey(key);
    }
    void setDate(double secondsSince1970, std::string_view key);
    void removeObjectForKey(std::string_view key);

    std::optional<Value> objectForKey(std::string_view key) const;
    std::optional<std::string> stringForKey(std::string_view key) const;
    std::optional<double> dateForKey(std::string_view key) const;

    // Writes the settings when they changed since the last write.
    Result<void> synchronize();

    const std::filesystem::path& file() const { return m_file; }
    // Where an unreadable file was set aside by the last load, if anywhere.
    std::optional<std::filesystem::path> setAsideFile() const;

private:
    void loadLocked();
    void setAsideLocked(const std::string& reason);
    void reloadFrom(std::filesystem::path file);

    mutable std::mutex m_mutex;
    std::filesystem::path m_file;
    Json m_values = Json::object();
    bool m_dirty = false;
    std::optional<std::filesystem::path> m_setAside;
    // Set when an unreadable file could not be moved out of the way.
    std::optional<std::string> m_writeBlocked;
};

} // namespace foundation
