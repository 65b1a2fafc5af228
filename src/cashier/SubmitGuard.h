#pragma once

#include "cashier/RequestSettledToken.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kit {
class Control;
}

// Keeps money from being taken twice: the progress overlay lets touches
// through, so a control that submits is blocked from the moment its
// request goes out until that request is over, however it ended.
//
//     if (m_guard->isBlocked()) return;
//     auto token = m_guard->block();
//     NetUtilSign::doPost(..., [weak, token](auto& reply) { ... });
//
// Main thread only.
class SubmitGuard : public std::enable_shared_from_this<SubmitGuard> {
public:
    static std::shared_ptr<SubmitGuard> create() { return std::make_shared<SubmitGuard>(); }

    // The controls disabled while blocked.
    void setControls(std::vector<std::weak_ptr<kit::Control>> controls);
    bool isBlocked() const { return m_blocked; }
    // Blocks until the returned token's last copy goes (capture it in the
    // request's reply block), or until release().
    std::shared_ptr<RequestSettledToken> block();
    // Frees at once: the screen went away and its requests no longer count.
    void release();

private:
    void setBlocked(bool blocked);

    std::vector<std::weak_ptr<kit::Control>> m_controls;
    bool m_blocked = false;
    // Each block() is one request; only the latest one's end frees.
    std::uint64_t m_serial = 0;
};
