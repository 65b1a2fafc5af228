#pragma once

#include <string>
#include <utility>
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
    // Paths answered with a fixed, well-formed reply (plain JSON, sent encrypted)
    // instead of the fuzzer's, so that the script reaches the screen under test:
    // one reply cannot be a list for one screen and a member for the next.
    std::vector<std::pair<std::string, std::string>> setupReplies = {};
};

// Every driver, in a fixed order: the input's first byte picks one.
const std::vector<ScreenDriver>& screenDrivers();
