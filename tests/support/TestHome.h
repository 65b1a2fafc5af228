#pragma once

#include <filesystem>
#include <gtest/gtest.h>

namespace support {

// The home every test program runs in, made before its first test and
// removed at exit, after whatever the program's statics write as they go: a
// fresh folder under the temporary directory
// stands for the user's home ($HOME) and holds the app's own home
// ($CASHIER_HOME), the XDG folders and the temporary one, so nothing a test does, nor any
// program it starts, reaches the real ~/.config or ~/.cache.
//
// Whatever lands directly in the stand-in $HOME went around both the app's
// home and the XDG folders, and would have landed in the real one: the
// program fails.
class TestHome : public ::testing::Environment {
public:
    // Points the environment at a new folder; nothing is written before.
    TestHome();

    void TearDown() override;

    const std::filesystem::path& root() const { return m_root; }
    // The stand-in $HOME.
    std::filesystem::path userHome() const { return m_root / "user"; }

private:
    std::filesystem::path m_root;
};

} // namespace support
