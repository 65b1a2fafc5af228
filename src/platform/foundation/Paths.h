#pragma once

// Where the app keeps its settings and its caches.
//
// A home set with setHome() (the program's --home, and tests) wins, then
// $CASHIER_HOME; under such a home the settings live in <home>/config and the
// caches in <home>/cache. Without one the XDG base directories are used, each
// with an app folder "cashier": $XDG_CONFIG_HOME (else ~/.config) and
// $XDG_CACHE_HOME (else ~/.cache). Relative XDG values are ignored, as the
// XDG rules ask.

#include "platform/foundation/Result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

class Paths {
public:
    // The directories, created (mode 0700) when missing. A failure to create
    // is left to the first write to report.
    static std::filesystem::path configDirectory();
    static std::filesystem::path cachesDirectory();

    // std::nullopt goes back to the environment.
    static void setHome(std::optional<std::filesystem::path> home);
    static std::optional<std::filesystem::path> home();

    // Creates the directory and any missing parents with the given mode;
    // existing directories are left as they are.
    static Result<void> createDirectories(const std::filesystem::path& directory, unsigned mode = 0700);

    // Replaces the file in one step: a temporary file in the same directory
    // is written, flushed to disk and renamed over the target, so a crash
    // leaves either the old or the new content. The parent directory is
    // created with mode 0700 when missing.
    static Result<void> writeFileAtomically(
        const std::filesystem::path& file, std::string_view bytes, unsigned mode = 0600);
    static Result<std::string> readFile(const std::filesystem::path& file);
    // Moves a file that cannot be read out of the way, never over another:
    // to "<file>.corrupt-<UTC time>", with "-N" added while that is taken.
    // Returns where it went.
    static Result<std::filesystem::path> setAside(const std::filesystem::path& file);
    // Removes the temporary files that writeFileAtomically() left beside
    // `file` when the process was killed between writing and renaming.
    static void removeLeftoverTemporaryFiles(const std::filesystem::path& file);
};

} // namespace foundation
