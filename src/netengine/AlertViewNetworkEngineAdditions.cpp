#include "netengine/AlertViewNetworkEngineAdditions.h"

#include "netengine/NetworkError.h"
#include "platform/kit/AlertView.h"

std::shared_ptr<kit::AlertView> AlertViewNetworkEngineAdditions::showWithError(const NetworkError& error)
{
    // The errors carry no recovery suggestion of their own, so the message is empty.
    auto alert = kit::AlertView::create(error.localizedDescription(), "", {}, std::string(dismissTitle));
    alert->show();
    return alert;
}
