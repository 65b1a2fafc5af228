#pragma once

#include <memory>

// Keeps a submitting control from sending again while its request is out:
// the progress overlay lets touches through, so a second tap would
// otherwise send a second payment.
//
//     if (!m_gate.isOpen()) return;
//     NetUtilSign::doPost(..., [weak, token = m_gate.close()](const auto& reply) { ... });
//
// The gate opens again once every copy of the token is gone: after the
// reply has been handled, or when the client drops the request without a
// reply (no network, a server error), since it then drops the block too.
class SubmitGate {
public:
    bool isOpen() const { return m_token.expired(); }
    [[nodiscard]] std::shared_ptr<const void> close()
    {
        auto token = std::make_shared<const int>(0);
        m_token = token;
        return token;
    }

private:
    std::weak_ptr<const void> m_token;
};
