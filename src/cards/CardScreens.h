#pragma once

// The pass screens' entries in the storyboard: the cards tab's root, and
// the pass sending that the member detail opens by name. Called once at
// start, before the home tabs are built.
class CardScreens {
public:
    static void registerScreens();
};
