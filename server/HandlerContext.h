#pragma once

#include "server/FormParams.h"
#include "server/MerchantState.h"

#include <algorithm>
#include <string>
#include <vector>

namespace merchant {

// What one request handler works on: the merchant's state under the back
// end's lock, the stand-in's own "now", and the host its image URLs name.
struct HandlerContext {
    MerchantState& state;
    Seconds now;
    std::string selfHost;

    std::int64_t nextSerial() { return state.nextSerial++; }
};

// "currentpage" from 1 and "pagesize"; unreadable or absurd values fall back
// to the first page of ten instead of failing the request.
struct Paging {
    std::size_t page = 1;
    std::size_t size = 10;

    static Paging read(const FormParams& params)
    {
        Paging paging;
        paging.page = readCount(params.value("currentpage"), 1, 1'000'000);
        paging.size = readCount(params.value("pagesize"), 10, 100);
        return paging;
    }

    template<typename T> std::vector<T> slice(const std::vector<T>& rows) const
    {
        std::size_t begin = (page - 1) * size;
        if (begin >= rows.size())
            return {};
        std::size_t end = std::min(rows.size(), begin + size);
        return std::vector<T>(rows.begin() + static_cast<std::ptrdiff_t>(begin),
            rows.begin() + static_cast<std::ptrdiff_t>(end));
    }

private:
    static std::size_t readCount(const std::string& text, std::size_t fallback, std::size_t limit)
    {
        if (text.empty() || text.size() > 9)
            return fallback;
        std::size_t value = 0;
        for (char c : text) {
            if (c < '0' || c > '9')
                return fallback;
            value = value * 10 + static_cast<std::size_t>(c - '0');
        }
        return value == 0 ? fallback : std::min(value, limit);
    }
};

} // namespace merchant
