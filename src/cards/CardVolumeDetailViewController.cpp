#include "cards/CardVolumeDetailViewController.h"

#include "api/Constants.h"
#include "cards/PassRecordTexts.h"
#include "platform/kit/Label.h"

void CardVolumeDetailViewController::addRows()
{
    const auto& record = entity();
    auto text = [&](const char* key) { return foundation::optionalText(record, key).value_or(""); };
    addRow("卡券名称", "labelCouponTItle")->setText(text("title"));
    addRow("卡券状态", "labelCouponStatus")
        ->setText(PassRecordTexts::status(PASS_TYPE_PLAT, record).value_or(""));
    addRow("核销码", "labelCode")->setText(text("vcode"));
    addRow("会员卡号", "labelCardName")->setText(text("cardnum"));
    addRow("会员等级", "labelLevel")->setText(text("cardname"));
    addRow("会员姓名", "labelTruename")->setText(text("truename"));
    addRow("联系电话", "labelPhone")->setText(text("tel"));
    addRow("领取时间", "labelGetDate")->setText(PassRecordTexts::time(record, "gettime"));
    addRow("生效时间", "labelStartDate")->setText(PassRecordTexts::time(record, "startdate"));
    addRow("失效时间", "labelEndDate")->setText(PassRecordTexts::time(record, "enddate"));
    addRow("使用时间", "labelUseDate")->setText(PassRecordTexts::time(record, "usetime"));
    addRow("备注", "labelRemarks")->setText(text("remarks"));
}
