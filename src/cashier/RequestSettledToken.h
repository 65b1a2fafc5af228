#pragma once

#include <functional>
#include <memory>

// Tells when a request is over, whatever its outcome. The signed client
// drops a reply block without calling it when the request fails (no
// network, a server error, a refused key), so a control blocked while its
// request is out would stay blocked for good. Captured by the reply block,
// the token goes with the block's last copy and then runs its callback on
// the main queue: after the reply was handled, or soon after a failure.
//
//     auto token = RequestSettledToken::create([weak] { ...unblock... });
//     NetUtilSign::doPost(path, text, flag, parameters, [weak, token](auto& reply) { ... });
class RequestSettledToken {
public:
    static std::shared_ptr<RequestSettledToken> create(std::function<void()> onSettled);

    explicit RequestSettledToken(std::function<void()> onSettled);
    ~RequestSettledToken();
    RequestSettledToken(const RequestSettledToken&) = delete;
    RequestSettledToken& operator=(const RequestSettledToken&) = delete;

private:
    std::function<void()> m_onSettled;
};
