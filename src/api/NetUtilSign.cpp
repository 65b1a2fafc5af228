#include "api/NetUtilSign.h"

#include "api/Constants.h"
#include "api/DesCipher.h"
#include "api/SignedClientUi.h"
#include "api/URLConfig.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/ScrollView.h"
#include "platform/net/URLConnection.h"
#include "reachability/Reachability.h"
#include "refresh/RefreshFooter.h"
#include "refresh/RefreshHeader.h"
#include "refresh/ScrollViewRefresh.h"

#include <utility>

namespace {

struct KeyPair {
    std::optional<std::string> headerKey;
    std::optional<std::string> cipherKey;
};

KeyPair keyPairFor(int keyFlag)
{
    auto& defaults = foundation::UserDefaults::standard();
    if (keyFlag == NetUtilSign::receivableKeyFlag)
        return { defaults.stringForKey(KEY_RECEIVABLE), defaults.stringForKey(KEY_RECEIVABLE_ENCRYPT) };
    return { defaults.stringForKey(KEY_MEMBER), defaults.stringForKey(KEY_MEMBER_ENCRYPT) };
}

std::optional<std::string> formText(const NetUtilSign::Parameters& parameters)
{
    std::string text;
    for (const auto& [key, value] : parameters)
        text += key + "=" + value + "&";
    if (text.size() < 2)
        return std::nullopt;
    text.pop_back();
    return text;
}

void toast(const std::shared_ptr<SignedClientUi>& ui, std::string_view text)
{
    if (ui)
        ui->toast(std::string(text));
}

std::shared_ptr<void> showProgress(
    const std::shared_ptr<SignedClientUi>& ui, const std::optional<std::string>& text)
{
    return ui ? ui->showProgressDialog(text) : nullptr;
}

void closeProgress(const std::shared_ptr<SignedClientUi>& ui, const std::shared_ptr<void>& progress)
{
    if (ui && progress)
        ui->closeProgressDialog(progress);
}

// The current screen's alert for the pair of the key flag.
void askForKey(const std::shared_ptr<SignedClientUi>& ui, int keyFlag)
{
    if (ui && keyFlag == NetUtilSign::receivableKeyFlag)
        ui->setReceivableKey();
    else if (ui)
        ui->setMemberKey();
}

bool isReachable(const std::shared_ptr<Reachability>& reachability)
{
    return reachability && reachability->currentReachabilityStatus() != ReachabilityStatusNone;
}

} // namespace

void NetUtilSign::doPost(std::string_view path, const std::optional<std::string>& progressText, int keyFlag,
    const Parameters& parameters, ReplyTextCallback callback, FailureCallback onFailure)
{
    post(Variant::WithProgress, path, progressText, nullptr, keyFlag, parameters, std::move(callback),
        std::move(onFailure));
}

void NetUtilSign::doPostMoney(std::string_view path, const std::optional<std::string>& progressText,
    int keyFlag, const Parameters& parameters, ReplyTextCallback callback, FailureCallback onFailure)
{
    post(Variant::Money, path, progressText, nullptr, keyFlag, parameters, std::move(callback),
        std::move(onFailure));
}

void NetUtilSign::doPostForNotLoading(
    std::string_view path, int keyFlag, const Parameters& parameters, ReplyTextCallback callback)
{
    post(Variant::NotLoading, path, std::nullopt, nullptr, keyFlag, parameters, std::move(callback));
}

void NetUtilSign::doPostForDownRefresh(std::string_view path,
    const std::shared_ptr<kit::ScrollView>& scrollView, int keyFlag, const Parameters& parameters,
    ReplyTextCallback callback)
{
    post(Variant::DownRefresh, path, std::nullopt, scrollView, keyFlag, parameters, std::move(callback));
}

void NetUtilSign::doPostForMemberUIDownRefresh(std::string_view path,
    const std::shared_ptr<kit::ScrollView>& scrollView, int keyFlag, const Parameters& parameters,
    ReplyTextCallback callback)
{
    post(Variant::MemberUIDownRefresh, path, std::nullopt, scrollView, keyFlag, parameters,
        std::move(callback));
}

void NetUtilSign::post(Variant variant, std::string_view path, const std::optional<std::string>& progressText,
    const std::shared_ptr<kit::ScrollView>& scrollView, int keyFlag, const Parameters& parameters,
    ReplyTextCallback callback, FailureCallback onFailure)
{
    bool const refreshes = variant == Variant::DownRefresh || variant == Variant::MemberUIDownRefresh;
    if (!isConnectionAvailable()) {
        if (refreshes)
            endRefreshing(scrollView);
        return;
    }

    auto keys = keyPairFor(keyFlag);
    net::URLRequest request(URLConfig::apiBase() + std::string(path),
        net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData, timeoutInterval);
    request.setHTTPMethod("POST");
    request.setDeadlineInterval(timeoutInterval);
    request.setMaximumResponseBytes(maximumReplyBytes);
    request.setRedirectPolicy(net::URLRequestRedirectPolicy::FollowSameOrigin);
    // Cipher text in Base64 hardly shrinks; decompressing it costs more than it saves.
    request.setAllowsCompression(false);
    request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
    request.setValueForHTTPHeaderField(keys.headerKey, "qvkey");
    if (auto text = formText(parameters))
        request.setHTTPBody(foundation::addingPercentEscapes(DesCipher::encode(*text, keys.cipherKey)));

    auto ui = SignedClientUi::current();
    std::shared_ptr<void> progress;
    bool const overlaid = variant == Variant::WithProgress || variant == Variant::Money;
    if (overlaid)
        progress = showProgress(ui, progressText);
    // Held weakly: a list that has gone has nothing left to stop.
    std::weak_ptr<kit::ScrollView> weakList = scrollView;

    net::URLConnection::sendAsynchronousRequest(std::move(request), foundation::DispatchQueue::main(),
        [variant, refreshes, ui, progress, weakList, keyFlag, cipherKey = std::move(keys.cipherKey),
            callback = std::move(callback),
            onFailure = std::move(onFailure)](const std::optional<net::HTTPURLResponse>& response,
            const std::optional<std::string>& data, const std::optional<net::URLError>&) {
            auto failed = [&onFailure](Failure failure) {
                if (onFailure)
                    onFailure(failure);
            };
            // A money request's unknown outcome is the caller's to tell.
            bool const tellsUnknown = variant != Variant::Money;
            // A refused key and a busy server are said whoever asked, a
            // person pulling a list as much as a screen with its overlay;
            // only the pollers, which ask again by themselves, pass every
            // status on.
            if (variant != Variant::NotLoading) {
                int const status = response ? response->statusCode() : 0;
                if (status >= 500 && status <= 599) {
                    if (tellsUnknown)
                        toast(ui, serverBusyMessage);
                    closeProgress(ui, progress);
                    if (refreshes)
                        endRefreshing(weakList.lock());
                    failed(Failure::ServerBusy);
                    return;
                }
                if (status == 403 || status == 404) {
                    toast(ui, keyInvalidMessage);
                    closeProgress(ui, progress);
                    if (refreshes)
                        endRefreshing(weakList.lock());
                    askForKey(ui, keyFlag);
                    failed(Failure::KeyRefused);
                    return;
                }
            }
            if (!data) {
                closeProgress(ui, progress);
                if (tellsUnknown)
                    toast(ui, noNetworkMessage);
                if (refreshes)
                    endRefreshing(weakList.lock());
                failed(Failure::NoReply);
                return;
            }
            auto reply = DesCipher::decode(*data, cipherKey);
            // A body that decrypts to nothing was made with another key than
            // the one stored: most likely it was typed wrong. The screen
            // still hears of the reply (it may have been about money, whose
            // outcome is then unknown), but the staff learn why it says nothing.
            bool const keyLikelyWrong = variant != Variant::NotLoading && !data->empty()
                && DesCipher::failedToDecrypt(*data, reply);
            if (keyLikelyWrong)
                toast(ui, keyInvalidMessage);
            if (callback)
                callback(reply);
            closeProgress(ui, progress);
            if (variant == Variant::DownRefresh)
                endRefreshing(weakList.lock());
            if (keyLikelyWrong)
                askForKey(ui, keyFlag);
        });
}

void NetUtilSign::getQrcodeImage(
    const std::string& url, const std::optional<std::string>& progressText, ImageDataCallback callback)
{
    getImage(url, progressText, false, std::move(callback));
}

void NetUtilSign::getStaticQrcodeImage(
    const std::string& url, const std::optional<std::string>& progressText, ImageDataCallback callback)
{
    getImage(url, progressText, true, std::move(callback));
}

void NetUtilSign::getImage(const std::string& url, const std::optional<std::string>& progressText,
    bool explicitGet, ImageDataCallback callback)
{
    if (!isConnectionAvailable())
        return;
    auto ui = SignedClientUi::current();
    auto progress = showProgress(ui, progressText);
    net::URLRequest request(url, net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData, timeoutInterval);
    request.setDeadlineInterval(timeoutInterval);
    request.setMaximumResponseBytes(maximumImageBytes);
    if (explicitGet)
        request.setHTTPMethod("GET");
    net::URLConnection::sendAsynchronousRequest(std::move(request), foundation::DispatchQueue::main(),
        [ui, progress, callback = std::move(callback)](const std::optional<net::HTTPURLResponse>&,
            const std::optional<std::string>& data, const std::optional<net::URLError>&) {
            if (!data) {
                closeProgress(ui, progress);
                toast(ui, noNetworkMessage);
                return;
            }
            if (callback)
                callback(*data);
            closeProgress(ui, progress);
        });
}

bool NetUtilSign::isConnectionAvailable()
{
    if (isReachable(Reachability::reachabilityForLocalWiFi()))
        return true;
    if (isReachable(Reachability::reachabilityForInternetConnection()))
        return true;
    toast(SignedClientUi::current(), noNetworkMessage);
    return false;
}

void NetUtilSign::endRefreshing(const std::shared_ptr<kit::ScrollView>& scrollView)
{
    if (!scrollView)
        return;
    if (auto refreshHeader = header(*scrollView))
        refreshHeader->endRefreshing();
    if (auto refreshFooter = footer(*scrollView))
        refreshFooter->endRefreshing();
}
