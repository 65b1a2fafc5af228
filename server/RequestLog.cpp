#include "server/RequestLog.h"

namespace merchant {

void RequestLog::append(LoggedRequest entry)
{
    // A full log of megabyte bodies would hold gigabytes; the app's requests
    // are far below this, so nothing a test looks at is ever cut.
    constexpr std::size_t kLargest = 16 * 1024;
    if (entry.plain.size() > kLargest) {
        entry.plain.resize(kLargest);
        entry.params = Json::object();
        entry.params["truncated"] = "1";
    }
    entry.seq = m_nextSeq++;
    m_entries.push_back(std::move(entry));
    while (m_entries.size() > m_capacity)
        m_entries.pop_front();
}

Json RequestLog::toJson() const
{
    Json list = Json::array();
    for (const LoggedRequest& entry : m_entries) {
        Json object = Json::object();
        object["seq"] = entry.seq;
        object["method"] = entry.method;
        object["path"] = entry.path;
        object["key"] = entry.key;
        object["qvkey"] = entry.qvkey;
        object["plain"] = entry.plain;
        object["params"] = entry.params;
        object["httpStatus"] = entry.httpStatus;
        object["fault"] = entry.fault;
        list.push_back(object);
    }
    return list;
}

} // namespace merchant
