#pragma once

class ProgressHUD;

// Told when an overlay has finished hiding (after its fade, its minimum show
// time and its completion block).
class ProgressHUDDelegate {
public:
    virtual ~ProgressHUDDelegate() = default;
    virtual void hudWasHidden(ProgressHUD&) { }
};
