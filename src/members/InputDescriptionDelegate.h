#pragma once

#include <string>

// Told the remark when the remark editor saves.
class InputDescriptionDelegate {
public:
    virtual ~InputDescriptionDelegate() = default;
    virtual void inputDescriptionCallback(const std::string& description) = 0;
};
