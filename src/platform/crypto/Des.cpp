#include "platform/crypto/Des.h"

#include <algorithm>
#include <array>
#include <nettle/cbc.h>
#include <nettle/des.h>

namespace crypto {

namespace {

// The pad is removed only when every pad byte agrees with the last one, so a
// wrong key (which scrambles the last block) almost never passes.
std::size_t unpaddedLength(std::span<const std::uint8_t> plain)
{
    if (plain.empty())
        return 0;
    std::uint8_t const pad = plain.back();
    if (pad == 0 || pad > desBlockSize || pad > plain.size())
        return 0;
    bool const intact
        = std::all_of(plain.end() - pad, plain.end(), [pad](std::uint8_t byte) { return byte == pad; });
    return intact ? plain.size() - pad : 0;
}

// nettle's block callbacks take an untyped context; calling des_encrypt
// through a cast function pointer would be undefined behaviour.
void encryptBlocks(
    void const* context, std::size_t length, std::uint8_t* destination, std::uint8_t const* source)
{
    des_encrypt(static_cast<des_ctx const*>(context), length, destination, source);
}

void decryptBlocks(
    void const* context, std::size_t length, std::uint8_t* destination, std::uint8_t const* source)
{
    des_decrypt(static_cast<des_ctx const*>(context), length, destination, source);
}

} // namespace

Bytes desCbc(Direction direction, std::span<const std::uint8_t, desBlockSize> key,
    std::span<const std::uint8_t, desBlockSize> iv, std::span<const std::uint8_t> input)
{
    des_ctx context;
    // des_set_key reports weak keys by returning 0 but still builds the
    // schedule; the empty key text relies on the all-zero key working.
    static_cast<void>(des_set_key(&context, key.data()));

    std::array<std::uint8_t, desBlockSize> chain;
    std::copy(iv.begin(), iv.end(), chain.begin());

    // The output never exceeds (n + 8) rounded down to a block: exactly the
    // padded length when encrypting, and more than enough when decrypting.
    std::size_t const capacity = (input.size() + desBlockSize) / desBlockSize * desBlockSize;

    if (direction == Direction::Encrypt) {
        Bytes output(capacity);
        std::copy(input.begin(), input.end(), output.begin());
        auto const pad = static_cast<std::uint8_t>(capacity - input.size());
        std::fill(output.begin() + static_cast<std::ptrdiff_t>(input.size()), output.end(), pad);
        cbc_encrypt(
            &context, encryptBlocks, desBlockSize, chain.data(), capacity, output.data(), output.data());
        return output;
    }

    if (input.empty() || input.size() % desBlockSize != 0)
        return {};
    Bytes output(input.size());
    cbc_decrypt(
        &context, decryptBlocks, desBlockSize, chain.data(), input.size(), output.data(), input.data());
    output.resize(unpaddedLength(output));
    return output;
}

} // namespace crypto
