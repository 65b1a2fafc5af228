#pragma once

#include "server/Envelope.h"
#include "server/HandlerContext.h"

namespace merchant {

// Passes of the three kinds: templates that can be granted, granting one to a
// member, the logs, and writing a pass off by its code.
class PassApiHandlers {
public:
    static Json platPassList(HandlerContext& context, const FormParams& params);
    static Json sendPlatPass(HandlerContext& context, const FormParams& params);
    static Json getCouponSendLog(HandlerContext& context, const FormParams& params);
    static Json verifyCode(HandlerContext& context, const FormParams& params);
    static Json alipassList(HandlerContext& context, const FormParams& params);
    static Json sendAlipass(HandlerContext& context, const FormParams& params);
    static Json aliPassLog(HandlerContext& context, const FormParams& params);
    static Json wxpassList(HandlerContext& context, const FormParams& params);
    static Json sendWxpass(HandlerContext& context, const FormParams& params);
    static Json wxPassLog(HandlerContext& context, const FormParams& params);
};

} // namespace merchant
