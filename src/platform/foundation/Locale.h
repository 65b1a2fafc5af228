#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// What the user's session says about language.
class Locale {
public:
    // The user's languages, most wanted first, as language tags ("zh-CN",
    // "en"): the entries of LANGUAGE, else the first set of LC_ALL,
    // LC_MESSAGES and LANG. "C" and "POSIX" name no language; with nothing
    // left the answer is "en". Read from the environment on every call.
    static std::vector<std::string> preferredLanguages();

    // One locale name ("zh_CN.UTF-8@pinyin") as a language tag ("zh-CN");
    // empty for "C", "POSIX" and text that names no language.
    static std::string languageTag(std::string_view localeName);
};

} // namespace foundation
