#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/Paths.h"

#include <cstdio>

namespace foundation {

namespace {

constexpr const char* kDateTag = "date";

std::filesystem::path standardFile()
{
    return Paths::configDirectory() / "defaults.json";
}

std::optional<UserDefaults::Value> typedValue(const Json& stored)
{
    if (stored.is_string())
        return stored.get<std::string>();
    if (stored.is_object() && stored.size() == 1 && stored.contains(kDateTag) && stored[kDateTag].is_number())
        return UserDefaults::Date { stored[kDateTag].get<double>() };
    return std::nullopt;
}

} // namespace

UserDefaults& UserDefaults::standard()
{
    static UserDefaults defaults(standardFile());
    return defaults;
}

void UserDefaults::resetStandard()
{
    standard().reloadFrom(standardFile());
}

UserDefaults::UserDefaults(std::filesystem::path file)
    : m_file(std::move(file))
{
    loadLocked();
}

void UserDefaults::reloadFrom(std::filesystem::path file)
{
    std::lock_guard lock(m_mutex);
    m_file = std::move(file);
    loadLocked();
}

void UserDefaults::loadLocked()
{
    m_values = Json::object();
    m_dirty = false;
    m_setAside.reset();
    m_writeBlocked.reset();
    Paths::removeLeftoverTemporaryFiles(m_file);
    std::error_code missing;
    if (!std::filesystem::exists(std::filesystem::symlink_status(m_file, missing)))
        return;
    std::error_code sizeError;
    auto const size = std::filesystem::file_size(m_file, sizeError);
    if (!sizeError && size > kMaxFileBytes) {
        setAsideLocked("larger than " + std::to_string(kMaxFileBytes) + " bytes");
        return;
    }
    auto content = Paths::readFile(m_file);
    if (content.isError()) {
        setAsideLocked(content.error().message());
        return;
    }
    auto parsed = parseJsonObject(content.value());
    if (!parsed || !parsed->is_object()) {
        setAsideLocked("not a settings file");
        return;
    }
    m_values = std::move(*parsed);
}

void UserDefaults::setAsideLocked(const std::string& reason)
{
    auto moved = Paths::setAside(m_file);
    if (moved.isOk()) {
        m_setAside = moved.value();
        std::fprintf(stderr, "settings: %s (%s) was set aside as %s; starting with empty settings\n",
            m_file.c_str(), reason.c_str(), moved.value().c_str());
        return;
    }
    m_writeBlocked = "settings file " + m_file.string() + " (" + reason
        + ") could not be set aside: " + moved.error().message();
}

void UserDefaults::setObject(std::string text, std::string_view key)
{
    std::lock_guard lock(m_mutex);
    m_values[std::string(key)] = std::move(text);
    m_dirty = true;
}

void UserDefaults::setDate(double secondsSince1970, std::string_view key)
{
    std::lock_guard lock(m_mutex);
    m_values[std::string(key)] = Json { { kDateTag, secondsSince1970 } };
    m_dirty = true;
}

void UserDefaults::removeObjectForKey(std::string_view key)
{
    std::lock_guard lock(m_mutex);
    if (m_values.erase(std::string(key)) > 0)
        m_dirty = true;
}

std::optional<UserDefaults::Value> UserDefaults::objectForKey(std::string_view key) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    return typedValue(*it);
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const
{
    auto value = objectForKey(key);
    if (!value || !std::holds_alternative<std::string>(*value))
        return std::nullopt;
    return std::get<std::string>(std::move(*value));
}

std::optional<double> UserDefaults::dateForKey(std::string_view key) const
{
    auto value = objectForKey(key);
    if (!value || !std::holds_alternative<Date>(*value))
        return std::nullopt;
    return std::get<Date>(*value).secondsSince1970;
}

Result<void> UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    if (!m_dirty)
        return {};
    if (m_writeBlocked)
        return Error(*m_writeBlocked);
    std::string text = m_values.dump(2, ' ', false, Json::error_handler_t::replace);
    text += '\n';
    auto written = Paths::writeFileAtomically(m_file, text, 0600);
    if (written.isOk())
        m_dirty = false;
    return written;
}

std::optional<std::filesystem::path> UserDefaults::setAsideFile() const
{
    std::lock_guard lock(m_mutex);
    return m_setAside;
}

} // namespace foundation
