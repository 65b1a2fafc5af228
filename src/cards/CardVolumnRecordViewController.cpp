#include "cards/CardVolumnRecordViewController.h"

#include "api/Constants.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationItem.h"
#include "ui/TitleLabel.h"

void CardVolumnRecordViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
    getCouponSendRecord();
}

void CardVolumnRecordViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("发放记录"));
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    buildLog(64, root->bounds().height());
}

NetUtilSign::Parameters CardVolumnRecordViewController::logParameters(bool) const
{
    NetUtilSign::Parameters parameters;
    if (couponType() == PASS_TYPE_PLAT)
        parameters["passtype"] = couponType();
    parameters["currentpage"] = std::to_string(page());
    parameters["pagesize"] = std::string(PAGE_SIZE);
    if (couponType() == PASS_TYPE_PLAT) {
        parameters["sort"] = "desc";
        parameters["field"] = "gettime";
    }
    return parameters;
}
