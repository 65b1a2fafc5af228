#pragma once

// The member screens' entries in the storyboard, so the members tab is the
// real one and the member detail opens its actions by name. Called once at
// start, before the home tabs are built.
class MemberScreens {
public:
    static void registerScreens();
};
