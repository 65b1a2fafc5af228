#pragma once

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLRequest.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace net {

// A response the URL cache keeps: its head and body, when it was asked for and
// received (wall-clock seconds), and the request fields its Vary names, so that its
// age and whether it answers a later request can be worked out (RFC 9111).
class CachedURLResponse {
public:
    // The value of each field the response varies on, as the storing request went
    // out (Transport::sentHeaderField); an absent field must stay absent to match.
    using VaryingFields = std::vector<std::pair<std::string, std::optional<std::string>>>;

    CachedURLResponse(HTTPURLResponse response, std::shared_ptr<const std::string> data, double requestTime,
        double responseTime, VaryingFields varyingFields);

    // What a network response becomes when stored for `request`: the header fields
    // that would mislead when served again (cookies, connection and transfer fields,
    // a content encoding the transport already undid) are left out, and the length is
    // the body's own.
    static CachedURLResponse make(const URLRequest& request, const HTTPURLResponse& response,
        std::shared_ptr<const std::string> data, double requestTime, double responseTime);

    const HTTPURLResponse& response() const { return m_response; }
    const std::string& data() const { return *m_data; }
    const std::shared_ptr<const std::string>& sharedData() const { return m_data; }
    double requestTime() const { return m_requestTime; }
    double responseTime() const { return m_responseTime; }
    const VaryingFields& varyingFields() const { return m_varyingFields; }

    // Whether a response may be kept at all: the answer 200 to a GET without
    // credentials or a range, that neither side forbids storing (no-store), with a
    // freshness lifetime or a validator to make it of use later, and whose Vary
    // is not "*" nor names a field whose value went out unknown (a cookie).
    static bool isStorable(const URLRequest& request, const HTTPURLResponse& response);

    // From max-age, else Expires less Date; 0 without either (no heuristic guess).
    double freshnessLifetime() const;
    double currentAge(double now) const;
    // Fresh and not marked no-cache: it may answer without asking the server.
    bool isFresh(double now) const;
    bool hasValidator() const;
    bool matchesVaryingFields(const URLRequest& request) const;

    // The request asking the server whether this response still holds.
    URLRequest conditionalRequest(const URLRequest& request) const;
    // This response as a 304 confirmed it: the 304's header fields replace the
    // stored ones (but never the length or encoding of the stored body), and its age
    // starts again.
    CachedURLResponse revalidated(
        const HTTPURLResponse& notModified, double requestTime, double responseTime) const;

private:
    HTTPURLResponse m_response;
    std::shared_ptr<const std::string> m_data;
    double m_requestTime;
    double m_responseTime;
    VaryingFields m_varyingFields;
};

} // namespace net
