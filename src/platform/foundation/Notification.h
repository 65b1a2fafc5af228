#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace foundation {

struct Notification {
    std::string name;
    // The sender; observers that filter by sender compare it by address.
    std::shared_ptr<void> object;
    nlohmann::ordered_json userInfo;
};

} // namespace foundation
