#pragma once

#include "api/RequestCallbacks.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <nlohmann/ordered_map.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace kit {
class ScrollView;
}

// The one road from the screens to the merchant's back end: each call checks
// the network, posts the parameters DES-encrypted under the chosen merchant
// key pair, and hands the decrypted reply to the callback on the main thread.
// Transport failures, a busy server and refused keys end here, in a toast
// (and for a refused key the current screen's key alert); the callback then
// never runs. A reply that does not decrypt under the stored pair still
// reaches the callback, after the toast that the key is likely wrong, and the
// key alert follows it. The pollers' variant tests neither status nor key.
//
//     NetUtilSign::Parameters parameters;
//     parameters["cardnum"] = code;
//     NetUtilSign::doPost(URLConfig::GET_USER_INFO, "加载中...", NetUtilSign::memberKeyFlag, parameters,
//         [weakScreen](const std::optional<std::string>& reply) { ... });
//
// Replies come only from the API host itself: a redirect to another origin is a
// failed request, so the key header and the body never leave for elsewhere.
//
// Main thread only. Nothing is cancelled: a callback that must not outlive
// its screen captures a weak pointer.
class NetUtilSign {
public:
    // Sent in insertion order, neither keys nor values escaped.
    using Parameters = nlohmann::ordered_map<std::string, std::string>;

    // The key flag: collection pair ("/PayApi/" paths and sign-in), or any
    // other value for the member pair ("/UserApi/" paths).
    static constexpr int receivableKeyFlag = 0;
    static constexpr int memberKeyFlag = 1;

    // Each request's time-out, both as silence and as the whole exchange: a server
    // dripping bytes cannot hold the overlay up longer than a silent one.
    static constexpr double timeoutInterval = 10.0;
    // The largest reply taken (cipher text; a list page is a few KiB) and the largest
    // QR code picture; past them the request fails as a dead server does.
    static constexpr size_t maximumReplyBytes = size_t { 4 } << 20;
    static constexpr size_t maximumImageBytes = size_t { 16 } << 20;
    static constexpr std::string_view noNetworkMessage = "连接失败，请检查您的网络连接！";
    static constexpr std::string_view serverBusyMessage = "服务器繁忙，请稍后再试！";
    static constexpr std::string_view keyInvalidMessage = "key无效,请重新设置！";

    // How a request sent with the overlay ended without reaching its
    // callback. A refused key means the server read nothing, so nothing it
    // could do (a payment, a refund) was done; after the others nobody can say.
    enum class Failure { KeyRefused, ServerBusy, NoReply };
    using FailureCallback = std::function<void(Failure)>;

    // With the progress overlay (no label for an absent text). A 5xx reply,
    // a refused key (403 or 404) and no reply at all are handled here, then
    // told to `onFailure`; any other reply reaches the callback, and the
    // overlay closes after it (an undecryptable one as said above).
    static void doPost(std::string_view path, const std::optional<std::string>& progressText, int keyFlag,
        const Parameters& parameters, ReplyTextCallback callback, FailureCallback onFailure = {});
    // As doPost, for a request that moves money: a 5xx reply and no reply
    // at all leave its outcome unknown, which the caller shows as such, so
    // no toast here says that the request failed. No network (nothing sent)
    // and a refused key (nothing read) are told as doPost tells them.
    static void doPostMoney(std::string_view path, const std::optional<std::string>& progressText,
        int keyFlag, const Parameters& parameters, ReplyTextCallback callback, FailureCallback onFailure);
    // For pollers: no overlay, no status check; only "no reply" is handled here.
    static void doPostForNotLoading(
        std::string_view path, int keyFlag, const Parameters& parameters, ReplyTextCallback callback);
    // For lists: no overlay; a 5xx reply and a refused key are said as by
    // doPost, no reply as by doPostForNotLoading; then the list's header and
    // footer stop refreshing, whatever happened (a list gone by then is left
    // alone).
    static void doPostForDownRefresh(std::string_view path,
        const std::shared_ptr<kit::ScrollView>& scrollView, int keyFlag, const Parameters& parameters,
        ReplyTextCallback callback);
    // As doPostForDownRefresh, except that after a reply the callback itself
    // must stop the refreshing.
    static void doPostForMemberUIDownRefresh(std::string_view path,
        const std::shared_ptr<kit::ScrollView>& scrollView, int keyFlag, const Parameters& parameters,
        ReplyTextCallback callback);

    // GET of a full image URL, with the overlay; the bytes whatever the status.
    static void getQrcodeImage(
        const std::string& url, const std::optional<std::string>& progressText, ImageDataCallback callback);
    // The same request with its method named explicitly.
    static void getStaticQrcodeImage(
        const std::string& url, const std::optional<std::string>& progressText, ImageDataCallback callback);

    // False (after the no-network toast) when neither the local network nor
    // the internet can be reached.
    static bool isConnectionAvailable();

    // Stops the list's header and then its footer refreshing; nothing for a
    // list that has gone. The plain client's list variant ends the same way.
    static void endRefreshing(const std::shared_ptr<kit::ScrollView>& scrollView);

private:
    enum class Variant { WithProgress, Money, NotLoading, DownRefresh, MemberUIDownRefresh };

    static void post(Variant variant, std::string_view path, const std::optional<std::string>& progressText,
        const std::shared_ptr<kit::ScrollView>& scrollView, int keyFlag, const Parameters& parameters,
        ReplyTextCallback callback, FailureCallback onFailure = {});
    static void getImage(const std::string& url, const std::optional<std::string>& progressText,
        bool explicitGet, ImageDataCallback callback);
};
