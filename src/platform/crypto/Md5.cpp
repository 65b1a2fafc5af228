#include "platform/crypto/Md5.h"

#include <nettle/md5.h>

namespace crypto {

Md5Digest md5(std::span<const std::uint8_t> input)
{
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, input.size(), input.data());
    Md5Digest digest;
    md5_digest(&context, digest.size(), digest.data());
    return digest;
}

} // namespace crypto
