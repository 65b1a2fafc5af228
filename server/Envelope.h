#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace merchant {

using Json = nlohmann::ordered_json;

// The reply every path answers with. Failures carry no "data" at all: the
// app reads a missing "data" safely, whereas a null would reach code that
// expects an object.
class Envelope {
public:
    static Json success(Json data, const std::string& info = "成功")
    {
        Json reply = Json::object();
        reply["status"] = "1";
        reply["info"] = info;
        reply["data"] = std::move(data);
        return reply;
    }
    static Json failure(const std::string& info)
    {
        Json reply = Json::object();
        reply["status"] = "0";
        reply["info"] = info;
        return reply;
    }
    // A list screen's reply: "count" is text like every other number, and
    // what it counts is the caller's choice.
    static Json page(Json list, std::size_t count, const std::string& info = "成功")
    {
        Json data = Json::object();
        data["count"] = std::to_string(count);
        data["list"] = std::move(list);
        return success(std::move(data), info);
    }
    static Json statusOnly(const std::string& info)
    {
        Json reply = Json::object();
        reply["status"] = "1";
        reply["info"] = info;
        return reply;
    }
    // Text of a JSON value; bytes that are not UTF-8 (a fuzzed parameter
    // echoed back) become U+FFFD instead of throwing.
    static std::string dump(const Json& value)
    {
        return value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
};

} // namespace merchant
