// What the request cipher costs on top of bare DES-CBC: the wrapper adds key
// cutting, padding, allocation, Base64 and (on decode) UTF-8 validation.

#include "api/Base64Codec.h"
#include "api/DesCipher.h"

#include <benchmark/benchmark.h>
#include <nettle/cbc.h>
#include <nettle/des.h>
#include <string>
#include <vector>

namespace {

const DesCipher::Key key = std::string("k3y!pass-longer-than-8");

std::string plainBody(std::size_t size)
{
    // Form text, as the requests carry: ASCII pairs.
    std::string body;
    while (body.size() < size)
        body += "currentpage=1&pagesize=10&keyword=abc&";
    body.resize(size);
    return body;
}

std::vector<std::uint8_t> rawEncrypt(const std::string& plain)
{
    auto const keyBytes = *DesCipher::keyBytes(key);
    des_ctx context;
    des_set_key(&context, keyBytes.data());
    std::uint8_t iv[8];
    std::copy(keyBytes.begin(), keyBytes.end(), iv);
    std::size_t const padded = (plain.size() / 8 + 1) * 8;
    std::vector<std::uint8_t> buffer(padded, static_cast<std::uint8_t>(padded - plain.size()));
    std::copy(plain.begin(), plain.end(), buffer.begin());
    cbc_encrypt(&context, reinterpret_cast<nettle_cipher_func*>(des_encrypt), 8, iv, padded, buffer.data(),
        buffer.data());
    return buffer;
}

std::vector<std::uint8_t> rawDecrypt(const std::vector<std::uint8_t>& cipher)
{
    auto const keyBytes = *DesCipher::keyBytes(key);
    des_ctx context;
    des_set_key(&context, keyBytes.data());
    std::uint8_t iv[8];
    std::copy(keyBytes.begin(), keyBytes.end(), iv);
    std::vector<std::uint8_t> plain(cipher.size());
    cbc_decrypt(&context, reinterpret_cast<nettle_cipher_func*>(des_decrypt), 8, iv, cipher.size(),
        plain.data(), cipher.data());
    plain.resize(plain.size() - plain.back());
    return plain;
}

void RawNettleEncrypt(benchmark::State& state)
{
    std::string const plain = plainBody(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(rawEncrypt(plain));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void RawNettleEncryptThenBase64(benchmark::State& state)
{
    std::string const plain = plainBody(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Base64Codec::stringByEncodingData(rawEncrypt(plain)));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void DesCipherEncode(benchmark::State& state)
{
    std::string const plain = plainBody(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(DesCipher::encode(plain, key));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void RawNettleDecrypt(benchmark::State& state)
{
    auto const cipher = rawEncrypt(plainBody(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(rawDecrypt(cipher));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Base64ThenRawNettleDecrypt(benchmark::State& state)
{
    std::string const reply = DesCipher::encode(plainBody(static_cast<std::size_t>(state.range(0))), key);
    for (auto _ : state)
        benchmark::DoNotOptimize(rawDecrypt(DesCipher::decodeBase64WithString(reply)));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void DesCipherDecode(benchmark::State& state)
{
    std::string const reply = DesCipher::encode(plainBody(static_cast<std::size_t>(state.range(0))), key);
    for (auto _ : state)
        benchmark::DoNotOptimize(DesCipher::decode(reply, key));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(RawNettleEncrypt)->Arg(1024)->Arg(16384);
BENCHMARK(RawNettleEncryptThenBase64)->Arg(1024)->Arg(16384);
BENCHMARK(DesCipherEncode)->Arg(1024)->Arg(16384);
BENCHMARK(RawNettleDecrypt)->Arg(1024)->Arg(16384);
BENCHMARK(Base64ThenRawNettleDecrypt)->Arg(1024)->Arg(16384);
BENCHMARK(DesCipherDecode)->Arg(1024)->Arg(16384);

BENCHMARK_MAIN();
