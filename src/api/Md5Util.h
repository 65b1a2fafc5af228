#pragma once

#include <string>
#include <string_view>

// Passwords leave the device only in this form.
class Md5Util {
public:
    // 32 lower-case hex digits of the MD5 of the text's bytes up to the first zero byte.
    static std::string md5_32(std::string_view text);
};
