#pragma once

#include "api/RequestCallbacks.h"

#include <optional>
#include <string>

// The plain road to a server: requests that are neither encrypted nor signed
// (the agent API's password change), and whole-URL image reads off the main
// thread. Prompts go through the same screen hooks as the signed client's
// (SignedClientUi); every callback runs on the main thread.
//
//     NetUtil::getNetImage(picUrl, "生成支付码中...", [weakScreen](const std::string& bytes) { ... });
//
// Main thread only.
class NetUtil {
public:
    // Reads the whole resource at the URL with a GET on a worker queue, with
    // the progress overlay up meanwhile (no label for an absent text); then
    // closes the overlay and hands over the body, whatever the status. The
    // bytes are empty when the read failed: no toast is shown for that.
    // Without a network nothing is read and the callback never runs.
    static void getNetImage(
        const std::string& url, const std::optional<std::string>& progressText, ImageDataCallback callback);

    // False (after the no-network toast) when neither the local network nor
    // the internet can be reached: the signed client's rule.
    static bool isConnectionAvailable();
};
