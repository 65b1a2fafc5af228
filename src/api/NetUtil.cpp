#include "api/NetUtil.h"

#include "api/NetUtilSign.h"
#include "api/SignedClientUi.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/net/URLConnection.h"

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
