// The stand-in back end's request handler fed with arbitrary requests: any
// path, any header key, any body. So that the fuzzer reaches the handlers
// behind the cipher, most inputs pick a known path and have their body
// encrypted under the right merchant key, as the app would send it.
//
// Input layout: a path byte (a known path, a hook, an image, or a path made
// of the input), a key byte (right pair, other pair, unknown, none) and a
// body byte (encrypt the rest with the right secret, or send it raw), then
// the rest of the input as form text or body.

#include "api/DesCipher.h"
#include "server/MerchantBackend.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

constexpr std::array<const char*, 45> kPaths {
    "/PayApi/OfflinePay/checkStaff/",
    "/PayApi/OfflinePay/getShopInfo/",
    "/PayApi/OfflinePay/qrcode/",
    "/PayApi/OfflinePay/getOrderStatus/",
    "/PayApi/OfflinePay/getMoneySum",
    "/PayApi/OfflinePay/getOrderList",
    "/PayApi/OfflinePay/getOrderDetails",
    "/PayApi/OfflinePay/barcode",
    "/PayApi/OfflinePay/cancel",
    "/PayApi/OfflinePay/refund",
    "/PayApi/OfflinePay/repay",
    "/UserApi/Index/getMemberList",
    "/UserApi/Index/getCardList",
    "/UserApi/Index/getUserInfo",
    "/UserApi/Index/getCoupon",
    "/UserApi/Index/memcOrder/",
    "/UserApi/Index/calcOrder/",
    "/UserApi/Index/payOrder/",
    "/UserApi/Index/getRuleList/",
    "/UserApi/Index/recharge/",
    "/UserApi/Index/reasons/",
    "/UserApi/Index/reScore/",
    "/UserApi/Index/platPassList/",
    "/UserApi/Index/sendPlatPass/",
    "/UserApi/Index/getCouponSendLog/",
    "/UserApi/Index/verifyCode/",
    "/UserApi/Index/memberPaypwd/",
    "/UserApi/Index/alipassList",
    "/UserApi/Index/sendAlipass",
    "/UserApi/Index/aliPassLog",
    "/UserApi/Index/wxpassList",
    "/UserApi/Index/sendWxpass",
    "/UserApi/Index/wxPassLog",
    "/Api/Alipay/modifyStaffPassword",
    "/images/portrait/3.png",
    "/qr/",
    "/__stand-in/reset",
    "/__stand-in/clock",
    "/__stand-in/order",
    "/__stand-in/outcomes",
    "/__stand-in/fault",
    "/__stand-in/faults/clear",
    "/__stand-in/log",
    "/__stand-in/log/clear",
    "",
};

merchant::MerchantBackend& backend()
{
    static merchant::MerchantBackend instance([] { return merchant::Seconds { 1'765'008'000 }; });
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static unsigned runs = 0;
    // A fresh seed now and then keeps faults and grown state from hiding
    // the handlers for the rest of the run.
    if (++runs % 4096 == 0)
        backend().reset();
    if (size < 3)
        return 0;

    std::string path = kPaths[data[0] % kPaths.size()];
    int keyMode = data[1] % 4;
    bool encrypt = (data[2] & 1) != 0;
    std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    if (path.empty() || path == "/qr/") {
        // The path is made of the input up to its first line break.
        std::size_t end = rest.find('\n');
        path += rest.substr(0, end);
        rest = end == std::string::npos ? "" : rest.substr(end + 1);
    }

    merchant::MerchantState::KeyPairs keys = backend().keys();
    bool member = path.rfind("/UserApi/", 0) == 0;
    merchant::BackendRequest request;
    request.method = encrypt ? "POST" : "GET";
    request.path = path;
    switch (keyMode) {
    case 0:
        request.headers["qvkey"] = member ? keys.memberKey : keys.collectionKey;
        break;
    case 1:
        request.headers["qvkey"] = member ? keys.collectionKey : keys.memberKey;
        break;
    case 2:
        request.headers["qvkey"] = rest.substr(0, 8);
        break;
    default:
        break;
    }
    bool hook = path.rfind(merchant::MerchantBackend::kHookPrefix, 0) == 0;
    if (encrypt && !hook && !rest.empty())
        request.body = DesCipher::encode(rest, member ? keys.memberSecret : keys.collectionSecret);
    else
        request.body = rest;

    merchant::BackendReply reply = backend().handle(request);
    if (reply.status != 200 && reply.status != 400 && reply.status != 403 && reply.status != 404
        && reply.status != 500)
        __builtin_trap();
    return 0;
}
