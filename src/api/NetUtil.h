#pragma once

#include "api/NetUtilSign.h"
#include "api/RequestCallbacks.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class NetworkEngine;
namespace kit {
class ScrollView;
}

// The plain road to a server: requests that are neither encrypted nor signed
// (the agent API's password change), sent as form fields through one HTTP
// engine for the agent host, and whole-URL image reads off the main thread.
// Prompts go through the same screen hooks as the signed client's
// (SignedClientUi); every callback runs on the main thread.
//
//     NetUtil::doPost(URLConfig::MODIFY_STAFF_PASSWORD, std::nullopt, parameters,
//         [weakScreen](const std::optional<std::string>& reply) { ... });
//     NetUtil::getNetImage(picUrl, "生成支付码中...", [weakScreen](const std::string& bytes) { ... });
//
// A completed answer of any status the engine takes as success reaches the
// callback as text (absent when it is not UTF-8); every failure ends here in
// the no-network toast, and the callback never runs. A screen that blocks its
// control while the request is out hears of a failure through the optional
// failure block, after the toast and the overlay. Main thread only.
class NetUtil {
public:
    // Sent in insertion order, keys and values form-escaped by the engine.
    using Parameters = NetUtilSign::Parameters;
    // The request is over without a reply: no network, or the engine failed it.
    using FailureCallback = std::function<void()>;

    static constexpr std::string_view noNetworkMessage = NetUtilSign::noNetworkMessage;
    // The GET and the quiet POST say it with two marks.
    static constexpr std::string_view noNetworkMessageTwice = "连接失败，请检查您的网络连接！！";

    // With the progress overlay (no label for an absent text), closed after
    // the callback or the toast. Exactly one of the two blocks runs.
    static void doPost(std::string_view path, const std::optional<std::string>& progressText,
        const Parameters& parameters, ReplyTextCallback callback, FailureCallback failure = nullptr);
    static void doGet(
        std::string_view path, const std::optional<std::string>& progressText, ReplyTextCallback callback);
    // No overlay; on a failure the list's header and footer stop refreshing
    // (after a reply, the callback stops them).
    static void doPostForDownRefresh(std::string_view path,
        const std::shared_ptr<kit::ScrollView>& scrollView, const Parameters& parameters,
        ReplyTextCallback callback);
    static void doPostForNotLoading(
        std::string_view path, const Parameters& parameters, ReplyTextCallback callback);

    // The engine for the agent host, made on first use (and made again only
    // when the program points the agent elsewhere).
    static std::shared_ptr<NetworkEngine> sharedEngine();

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

private:
    enum class Variant { WithProgress, Get, DownRefresh, NotLoading };
    static void send(Variant variant, std::string_view path, const std::optional<std::string>& progressText,
        const std::shared_ptr<kit::ScrollView>& scrollView, const Parameters* parameters,
        ReplyTextCallback callback, FailureCallback failure);
};
