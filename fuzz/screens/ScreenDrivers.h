#pragma once

#include <string>
#include <vector>

// How the screen-reply fuzz program reaches each screen that asks the back end
// for something: a script (the `cashier --headless` language) that brings the
// screen up from the app's start and makes it send its requests. Every request
// the script causes is answered with the fuzzer's reply, so each reply handler
// on the way (sign-in, then the screen's own) gets hostile text.
struct ScreenDriver {
    std::string name;
    // Signed in as "boss" with both key pairs stored, or at the sign-in screen.
    bool signedIn = true;
    std::vector<std::string> script;
};

// Every driver, in a fixed order: the input's first byte picks one.
const std::vector<ScreenDriver>& screenDrivers();
