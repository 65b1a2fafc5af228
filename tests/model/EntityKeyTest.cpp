// Every entity reads every field from the JSON key the back end sends, taken from
// a reply shaped as the back end shapes it: a renamed key would read as absent and
// pass every other test.

#include "api/JsonUtil.h"
#include "model/CouponDiscountPriceEntity.h"
#include "model/CouponGrantEntity.h"
#include "model/CouponSendRecordEntity.h"
#include "model/LoginEntity.h"
#include "model/MemberDiscountPriceEntity.h"
#include "model/OrderEntity.h"
#include "model/PreferentialWayEntity.h"
#include "model/RechargeRuleEntity.h"
#include "model/ScoreReasonEntity.h"
#include "model/UserInfoEntity.h"
#include "model/VipCardEntity.h"
#include "model/VipDetailEntity.h"
#include "model/VipListEntity.h"

#include <gtest/gtest.h>
#include <map>
#include <typeinfo>
#include <vector>

namespace {

template<class E> using Getter = const std::optional<std::string>& (E::*)() const;
template<class E> using Fields = std::vector<std::pair<std::string, Getter<E>>>;

// Each key gets a value of its own ("<key>-v" unless given); the entity built from
// the reply's "data" must show each value under the key's field.
template<class E>
void expectKeys(const Fields<E>& fields, const std::map<std::string, std::string>& given = {},
    const std::map<std::string, std::string>& read = {})
{
    foundation::Json data = foundation::Json::object();
    for (auto const& [key, getter] : fields)
        data[key] = given.contains(key) ? given.at(key) : key + "-v";
    foundation::Json reply { { "status", "1" }, { "info", "" }, { "data", data } };
    auto const parsed = JsonUtil::getJSONObject(reply.dump());
    auto const entity = E::initWithJSON(JsonUtil::data(parsed));
    for (auto const& [key, getter] : fields) {
        auto const expected = read.contains(key) ? read.at(key) : data[key].template get<std::string>();
        EXPECT_EQ(((*entity).*getter)(), expected) << typeid(E).name() << " reads \"" << key << "\"";
    }
}

#define KEY(E, field)                                                                                        \
    std::pair<std::string, Getter<E>>                                                                        \
    {                                                                                                        \
#field, &E::field                                                                                    \
    }

} // namespace

TEST(EntityKeys, EveryFieldOfEveryEntityComesFromItsKey)
{
    expectKeys<LoginEntity>({ KEY(LoginEntity, id), KEY(LoginEntity, username), KEY(LoginEntity, truename),
        KEY(LoginEntity, job) });
    expectKeys<UserInfoEntity>({ KEY(UserInfoEntity, company), KEY(UserInfoEntity, shopname),
        KEY(UserInfoEntity, nickname), KEY(UserInfoEntity, devicename), KEY(UserInfoEntity, ali_c),
        KEY(UserInfoEntity, wx_c), KEY(UserInfoEntity, bd_c) });
    expectKeys<OrderEntity>(
        { KEY(OrderEntity, seller_id), KEY(OrderEntity, seller_account), KEY(OrderEntity, refundmoney),
            KEY(OrderEntity, refundtime), KEY(OrderEntity, reason), KEY(OrderEntity, company),
            KEY(OrderEntity, nickname), KEY(OrderEntity, shopname), KEY(OrderEntity, orderid),
            KEY(OrderEntity, trade_no), KEY(OrderEntity, paymoney), KEY(OrderEntity, buyer_id),
            KEY(OrderEntity, buyer_account), KEY(OrderEntity, paytype), KEY(OrderEntity, addtime),
            KEY(OrderEntity, paytime), KEY(OrderEntity, paystatus), KEY(OrderEntity, is_refund),
            KEY(OrderEntity, payment), { "pri_paymoney", &OrderEntity::pryPayMoney } });
    expectKeys<VipListEntity>({ KEY(VipListEntity, tel), KEY(VipListEntity, cardnum),
        KEY(VipListEntity, status), KEY(VipListEntity, id), KEY(VipListEntity, truename),
        KEY(VipListEntity, cardid), KEY(VipListEntity, cardname), KEY(VipListEntity, portrait),
        KEY(VipListEntity, avail_score), KEY(VipListEntity, money), KEY(VipListEntity, freemoney),
        KEY(VipListEntity, cardtype), KEY(VipListEntity, level), KEY(VipListEntity, expiredays),
        KEY(VipListEntity, expiredate), KEY(VipListEntity, avail_times), KEY(VipListEntity, avail_periods),
        KEY(VipListEntity, discountrate) });
    expectKeys<VipDetailEntity>(
        { KEY(VipDetailEntity, truename), KEY(VipDetailEntity, tel), KEY(VipDetailEntity, cardnum),
            KEY(VipDetailEntity, status), KEY(VipDetailEntity, id), KEY(VipDetailEntity, cardname),
            KEY(VipDetailEntity, cardid), KEY(VipDetailEntity, portrait), KEY(VipDetailEntity, birthday),
            KEY(VipDetailEntity, score), KEY(VipDetailEntity, getcardtime), KEY(VipDetailEntity, expiredate),
            KEY(VipDetailEntity, qq), KEY(VipDetailEntity, sex), KEY(VipDetailEntity, address),
            KEY(VipDetailEntity, avail_score), KEY(VipDetailEntity, money), KEY(VipDetailEntity, freemoney),
            KEY(VipDetailEntity, level), KEY(VipDetailEntity, expiredays), KEY(VipDetailEntity, avail_times),
            KEY(VipDetailEntity, avail_periods), KEY(VipDetailEntity, discountrate),
            KEY(VipDetailEntity, nopwd), KEY(VipDetailEntity, expensecount),
            KEY(VipDetailEntity, lastexpensetime), KEY(VipDetailEntity, refererid),
            KEY(VipDetailEntity, remarks), { "open_id", &VipDetailEntity::openId },
            { "wecha_id", &VipDetailEntity::wechatId } },
        { { "money", "100" }, { "freemoney", "5.5" } }, { { "freemoney", "5.50" } });
    expectKeys<VipCardEntity>({ KEY(VipCardEntity, id), KEY(VipCardEntity, cardtype),
        KEY(VipCardEntity, cardid), KEY(VipCardEntity, cardname), KEY(VipCardEntity, level),
        KEY(VipCardEntity, discountrate), KEY(VipCardEntity, expiredays), KEY(VipCardEntity, expiredate),
        KEY(VipCardEntity, avail_times), KEY(VipCardEntity, avail_periods) });
    expectKeys<RechargeRuleEntity>(
        { KEY(RechargeRuleEntity, id), KEY(RechargeRuleEntity, title), KEY(RechargeRuleEntity, require),
            KEY(RechargeRuleEntity, freemoney), KEY(RechargeRuleEntity, freescore),
            KEY(RechargeRuleEntity, startdate), KEY(RechargeRuleEntity, enddate) });
    expectKeys<PreferentialWayEntity>(
        { KEY(PreferentialWayEntity, id), KEY(PreferentialWayEntity, code), KEY(PreferentialWayEntity, title),
            KEY(PreferentialWayEntity, type), KEY(PreferentialWayEntity, discountmoney),
            KEY(PreferentialWayEntity, conditionprice), KEY(PreferentialWayEntity, discountrate),
            KEY(PreferentialWayEntity, startdate), KEY(PreferentialWayEntity, enddate) });
    expectKeys<CouponGrantEntity>({ KEY(CouponGrantEntity, modelid), KEY(CouponGrantEntity, title),
        KEY(CouponGrantEntity, type), KEY(CouponGrantEntity, discountmoney),
        KEY(CouponGrantEntity, conditionprice), KEY(CouponGrantEntity, discountrate),
        KEY(CouponGrantEntity, startdate), KEY(CouponGrantEntity, enddate) });
    expectKeys<ScoreReasonEntity>({ KEY(ScoreReasonEntity, id), KEY(ScoreReasonEntity, reason) });
    expectKeys<CouponDiscountPriceEntity>(
        { KEY(CouponDiscountPriceEntity, title), KEY(CouponDiscountPriceEntity, type),
            KEY(CouponDiscountPriceEntity, totalprice), KEY(CouponDiscountPriceEntity, discountrate),
            KEY(CouponDiscountPriceEntity, conditionprice), KEY(CouponDiscountPriceEntity, discountmoney) });
    expectKeys<MemberDiscountPriceEntity>({ KEY(MemberDiscountPriceEntity, cardid),
        KEY(MemberDiscountPriceEntity, cardname), KEY(MemberDiscountPriceEntity, memberid),
        KEY(MemberDiscountPriceEntity, discountrate), KEY(MemberDiscountPriceEntity, totalprice) });
    expectKeys<CouponSendRecordEntity>({ KEY(CouponSendRecordEntity, id), KEY(CouponSendRecordEntity, vcode),
        KEY(CouponSendRecordEntity, title), KEY(CouponSendRecordEntity, cardnum),
        KEY(CouponSendRecordEntity, cardname), KEY(CouponSendRecordEntity, level),
        KEY(CouponSendRecordEntity, truename), KEY(CouponSendRecordEntity, tel),
        KEY(CouponSendRecordEntity, usetime), KEY(CouponSendRecordEntity, gettime),
        KEY(CouponSendRecordEntity, startdate), KEY(CouponSendRecordEntity, enddate),
        KEY(CouponSendRecordEntity, status) });
}
