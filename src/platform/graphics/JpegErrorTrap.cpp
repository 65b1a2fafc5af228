#include "platform/graphics/JpegErrorTrap.h"

// After jpeglib.h, which it needs.
#include <jerror.h>

namespace graphics {

namespace {

bool damagesPicture(int code)
{
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE
        || code == JWRN_MUST_RESYNC || code == JWRN_ARITH_BAD_CODE;
}

[[noreturn]] void fail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(info->err)->jump, 1);
}

void refuseDamage(j_common_ptr info, int level)
{
    if (level < 0 && damagesPicture(info->err->msg_code))
        fail(info);
}

void noOutput(j_common_ptr)
{
}

} // namespace

jpeg_error_mgr* JpegErrorTrap::install(Warnings warnings)
{
    jpeg_error_mgr* installed = jpeg_std_error(&manager);
    manager.error_exit = fail;
    manager.output_message = noOutput;
    if (warnings == Warnings::RefuseDamage)
        manager.emit_message = refuseDamage;
    return installed;
}

} // namespace graphics
