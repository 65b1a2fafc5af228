#pragma once

#include <memory>
#include <optional>
#include <string>

// What the signed client needs of the screens above it: the prompts, and the
// current screen's key-entry alerts. The client sits below the screens, so
// the application installs an implementation at start; until it does (and in
// tests that want none) requests run without showing anything.
//
// Every call comes on the main thread.
class SignedClientUi {
public:
    virtual ~SignedClientUi() = default;

    // Shows the progress overlay (no label for an absent text) and returns
    // whatever closeProgressDialog needs to close that overlay again.
    virtual std::shared_ptr<void> showProgressDialog(const std::optional<std::string>& text) = 0;
    virtual void closeProgressDialog(const std::shared_ptr<void>& progress) = 0;
    virtual void toast(const std::string& text) = 0;
    // Ask the screen that appeared last for its collection or member
    // key-entry alert; nothing happens when there is no such screen.
    virtual void setReceivableKey() = 0;
    virtual void setMemberKey() = 0;

    static std::shared_ptr<SignedClientUi> current();
    // nullptr takes the installed one away.
    static void install(std::shared_ptr<SignedClientUi> ui);
};
