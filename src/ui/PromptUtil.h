#pragma once

#include <memory>
#include <optional>
#include <string>

class ProgressHUD;

// The one way the screens and request clients show a progress overlay and a
// short message. Main thread only.
class PromptUtil {
public:
    // Covers the application's window; touches pass through the overlay to
    // the controls under it. The caller keeps the overlay to close it.
    static std::shared_ptr<ProgressHUD> showProgressDialog(const std::optional<std::string>& text);
    static void closeProgressDialog(const std::shared_ptr<ProgressHUD>& hud);
    // One second in the centre of the screen.
    static void toast(const std::optional<std::string>& text);
};
