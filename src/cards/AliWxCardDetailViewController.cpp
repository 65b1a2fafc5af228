#include "cards/AliWxCardDetailViewController.h"

#include "api/Constants.h"
#include "cards/PassRecordTexts.h"
#include "platform/kit/Label.h"

void AliWxCardDetailViewController::addRows()
{
    const auto& record = entity();
    auto text = [&](const char* key) { return foundation::optionalText(record, key).value_or(""); };
    // Anything but Alipay reads as WeChat.
    std::string_view wallet = couponType() == PASS_TYPE_ALI ? PASS_TYPE_ALI : PASS_TYPE_WX;
    addRow("卡券名称", "labelCouponTItle")->setText(text("cardname"));
    addRow("卡券状态", "labelCouponStatus")->setText(PassRecordTexts::status(wallet, record).value_or(""));
    addRow("会员卡号", "labelCardNum")->setText(text("cardnum"));
    addRow("核销码", "labelCode")->setText(text("verify_code"));
    addRow("会员姓名", "labelTruename")->setText(text("truename"));
    addRow("领取时间", "labelGetDate")->setText(PassRecordTexts::time(record, "gettime"));
    addRow("使用时间", "labelUseDate")->setText(PassRecordTexts::time(record, "usetime"));
}
