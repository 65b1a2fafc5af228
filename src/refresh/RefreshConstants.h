#pragma once

#include <functional>

// Sizes and timings shared by every pull-to-refresh control, in points and
// seconds.
inline constexpr double RefreshHeaderHeight = 54.0;
inline constexpr double RefreshFooterHeight = 44.0;
inline constexpr double RefreshFastAnimationDuration = 0.25;
inline constexpr double RefreshSlowAnimationDuration = 0.4;

// The user-defaults key under which headers keep the time of their last
// completed refresh, unless given another.
inline constexpr const char* RefreshHeaderLastUpdatedTimeKey = "RefreshHeaderLastUpdatedTimeKey";

// The numbers are part of the contract: list screens and tests compare them.
enum class RefreshState {
    Idle = 1,
    Pulling = 2,
    Refreshing = 3,
    WillRefresh = 4,
    NoMoreData = 5,
};

// What a list gives its header and footer to load data.
using RefreshingBlock = std::function<void()>;
