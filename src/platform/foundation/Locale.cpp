#include "platform/foundation/Locale.h"

#include "platform/foundation/Strings.h"

#include <algorithm>
#include <cstdlib>

namespace foundation {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiAlnum(char c)
{
    return isAsciiAlpha(c) || (c >= '0' && c <= '9');
}

} // namespace

std::string Locale::languageTag(std::string_view name)
{
    // language[_territory][.codeset][@modifier]: the codeset and modifier say
    // nothing about the language a server should answer in.
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX")
        return {};
    auto const underscore = name.find('_');
    auto const language = name.substr(0, underscore);
    if (language.size() < 2 || language.size() > 3
        || !std::all_of(language.begin(), language.end(), isAsciiAlpha))
        return {};
    std::string tag = asciiLowercase(language);
    if (underscore != std::string_view::npos) {
        auto const territory = name.substr(underscore + 1);
        if (territory.empty() || territory.size() > 8
            || !std::all_of(territory.begin(), territory.end(), isAsciiAlnum))
            return {};
        tag += '-';
        for (char c : territory)
            tag += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return tag;
}

std::vector<std::string> Locale::preferredLanguages()
{
    std::vector<std::string> names = split(environment("LANGUAGE"), ":");
    names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
    if (names.empty()) {
        for (const char* variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
            auto value = environment(variable);
            if (!value.empty()) {
                names.push_back(value);
                break;
            }
        }
    }
    std::vector<std::string> tags;
    for (const auto& name : names) {
        auto tag = languageTag(name);
        if (!tag.empty() && std::find(tags.begin(), tags.end(), tag) == tags.end())
            tags.push_back(std::move(tag));
    }
    if (tags.empty())
        tags.emplace_back("en");
    return tags;
}

} // namespace foundation
