#pragma once

#include <csetjmp>
#include <cstdio>
// After cstdio, which it needs.
#include <jpeglib.h>

namespace graphics {

// libjpeg ends a failed decode or encode by calling its error handler, which
// must not return: this one jumps back to the setjmp(jump) of the function
// that installed it, and keeps libjpeg's messages off standard error.
//
//     JpegErrorTrap trap {};
//     info.err = trap.install(JpegErrorTrap::Warnings::RefuseDamage);
//     if (setjmp(trap.jump)) { jpeg_destroy_decompress(&info); return false; }
//
// The function that calls setjmp must hold no object with a destructor
// between it and the libjpeg calls: a jump skips destructors.
struct JpegErrorTrap {
    enum class Warnings {
        Ignore,
        // Warnings that mean rows were made up are errors too: libjpeg fills
        // what it could not read with grey and carries on, which for a
        // download cut short would show (and cache) a half-grey picture.
        RefuseDamage,
    };

    jpeg_error_mgr manager;
    std::jmp_buf jump;

    jpeg_error_mgr* install(Warnings warnings);
};

} // namespace graphics
