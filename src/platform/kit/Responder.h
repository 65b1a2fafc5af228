#pragma once

namespace kit {

class Touch;

// The chain a touch or an editing request travels along when the object it
// reached does not handle it: view -> its controller -> superview ... ->
// window -> application -> application delegate.
class Responder {
public:
    virtual ~Responder() = default;

    // Non-owning: the next object only has to live for the call that walks
    // the chain.
    virtual Responder* nextResponder() const { return nullptr; }

    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool becomeFirstResponder() { return false; }
    virtual bool resignFirstResponder() { return true; }
    virtual bool isFirstResponder() const { return false; }

    // Unhandled touches go up the chain so a screen sees touches that landed
    // on its plain views (tapping outside a field closes the keyboard).
    virtual void touchesBegan(const Touch& touch);
    virtual void touchesMoved(const Touch& touch);
    virtual void touchesEnded(const Touch& touch);
    virtual void touchesCancelled(const Touch& touch);
};

} // namespace kit
