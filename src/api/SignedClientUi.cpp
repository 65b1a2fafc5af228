#include "api/SignedClientUi.h"

#include <mutex>
#include <utility>

namespace {

std::mutex s_mutex;
std::shared_ptr<SignedClientUi> s_installed;

} // namespace

std::shared_ptr<SignedClientUi> SignedClientUi::current()
{
    std::lock_guard lock(s_mutex);
    return s_installed;
}

void SignedClientUi::install(std::shared_ptr<SignedClientUi> ui)
{
    std::shared_ptr<SignedClientUi> previous;
    {
        std::lock_guard lock(s_mutex);
        previous = std::exchange(s_installed, std::move(ui));
    }
    // Released outside the lock: its destructor may install another.
}
