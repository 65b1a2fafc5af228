#pragma once

#include "platform/foundation/Subscription.h"

#include <string>
#include <vector>

namespace support {

// Keeps a log of the alerts that came up while it lives, for flow tests that
// check which prompts a screen gave and in what order. An alert shown again
// is logged again.
class AlertRecorder {
public:
    struct Entry {
        std::string title;
        std::string message;
        std::vector<std::string> buttons;
        // The button that closed it; -1 while it is up or waiting.
        int closedWith = -1;
    };

    AlertRecorder();

    const std::vector<Entry>& shown() const { return m_shown; }
    std::vector<std::string> titles() const;
    void clear() { m_shown.clear(); }

private:
    std::vector<Entry> m_shown;
    foundation::Subscription m_subscription;
};

} // namespace support
