#pragma once

#include <memory>

namespace kit {
class AlertView;
}
class NetworkError;

// A failed operation told to the user as it is: an alert titled with the
// error's description, with one "Dismiss" button. Main thread only.
class AlertViewNetworkEngineAdditions {
public:
    static constexpr const char* dismissTitle = "Dismiss";

    // Shown at once; returned for the caller to keep or press.
    static std::shared_ptr<kit::AlertView> showWithError(const NetworkError& error);
};
