#include "api/NetUtil.h"

#include "api/NetUtilSign.h"
#include "api/SignedClientUi.h"
#include "api/URLConfig.h"
#include "netengine/NetworkEngine.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/net/URLConnection.h"

#include <mutex>
#include <utility>

void NetUtil::getNetImage(
    const std::string& url, const std::optional<std::string>& progressText, ImageDataCallback callback)
{
    if (!isConnectionAvailable())
        return;
    auto ui = SignedClientUi::current();
    auto progress = ui ? ui->showProgressDialog(progressText) : nullptr;
    foundation::DispatchQueue::global()->async([url, ui, progress, callback = std::move(callback)]() mutable {
        auto data = net::URLConnection::dataWithContentsOfURL(url);
        // Everything the block holds moves on: the overlay and the screen's
        // block are only ever touched and released on the main thread.
        foundation::DispatchQueue::main()->async([ui = std::move(ui), progress = std::move(progress),
                                                     callback = std::move(callback), data = std::move(data)] {
            if (ui && progress)
                ui->closeProgressDialog(progress);
            if (callback)
                callback(data.value_or(std::string()));
        });
    });
}

bool NetUtil::isConnectionAvailable()
{
    return NetUtilSign::isConnectionAvailable();
}

std::shared_ptr<NetworkEngine> NetUtil::sharedEngine()
{
    struct Shared {
        std::mutex mutex;
        std::shared_ptr<NetworkEngine> engine;
    };
    // Alive while exit runs: a request may still finish then.
    static foundation::NeverDestroyed<Shared> shared;
    std::lock_guard lock(shared->mutex);
    auto const host = URLConfig::agentBase();
    if (!shared->engine || shared->engine->hostName() != host)
        shared->engine = NetworkEngine::initWithHostName(host);
    return shared->engine;
}

void NetUtil::doPost(std::string_view path, const std::optional<std::string>& progressText,
    const Parameters& parameters, ReplyTextCallback callback, FailureCallback failure)
{
    send(Variant::WithProgress, path, progressText, nullptr, &parameters, std::move(callback),
        std::move(failure));
}

void NetUtil::doGet(
    std::string_view path, const std::optional<std::string>& progressText, ReplyTextCallback callback)
{
    send(Variant::Get, path, progressText, nullptr, nullptr, std::move(callback), nullptr);
}

void NetUtil::doPostForDownRefresh(std::string_view path, const std::shared_ptr<kit::ScrollView>& scrollView,
    const Parameters& parameters, ReplyTextCallback callback)
{
    send(Variant::DownRefresh, path, std::nullopt, scrollView, &parameters, std::move(callback), nullptr);
}

void NetUtil::doPostForNotLoading(
    std::string_view path, const Parameters& parameters, ReplyTextCallback callback)
{
    send(Variant::NotLoading, path, std::nullopt, nullptr, &parameters, std::move(callback), nullptr);
}

void NetUtil::send(Variant variant, std::string_view path, const std::optional<std::string>& progressText,
    const std::shared_ptr<kit::ScrollView>& scrollView, const Parameters* parameters,
    ReplyTextCallback callback, FailureCallback failure)
{
    if (!isConnectionAvailable()) {
        if (failure)
            failure();
        return;
    }
    auto engine = sharedEngine();
    NetworkOperation::Pointer operation;
    if (parameters) {
        foundation::Json fields = foundation::Json::object();
        for (const auto& [key, value] : *parameters)
            fields[key] = value;
        operation = engine->operationWithPath(std::string(path), fields, "POST");
    } else {
        operation = engine->operationWithPath(std::string(path));
    }
    auto ui = SignedClientUi::current();
    if (!operation) {
        // An agent address that makes no URL cannot be reached either.
        if (ui)
            ui->toast(std::string(noNetworkMessage));
        if (failure)
            failure();
        return;
    }
    // A reply read whole into memory behind an overlay must come within a
    // bound, however slowly a server drips it.
    operation->setDeadlineInterval(
        net::URLRequest::defaultDeadlineMultiple * NetworkOperation::timeoutInterval);
    bool const withProgress = variant == Variant::WithProgress || variant == Variant::Get;
    std::shared_ptr<void> progress = withProgress && ui ? ui->showProgressDialog(progressText) : nullptr;
    std::weak_ptr<kit::ScrollView> weakList = scrollView;
    operation->addCompletionHandler(
        [ui, progress, callback](const NetworkOperation::Pointer& finished) {
            if (callback)
                callback(finished->responseString());
            if (ui && progress)
                ui->closeProgressDialog(progress);
        },
        [ui, progress, variant, weakList, failure](const NetworkOperation::Pointer&, const NetworkError&) {
            bool const twice = variant == Variant::Get || variant == Variant::NotLoading;
            if (ui)
                ui->toast(std::string(twice ? noNetworkMessageTwice : noNetworkMessage));
            if (ui && progress)
                ui->closeProgressDialog(progress);
            if (variant == Variant::DownRefresh)
                NetUtilSign::endRefreshing(weakList.lock());
            if (failure)
                failure();
        });
    engine->enqueueOperation(operation);
}
