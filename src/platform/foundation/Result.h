#pragma once

// Recoverable failures travel as values: a Result<T> holds either the value
// or an Error with a message for logs and prompts. Nothing here throws.
//
//     Result<std::string> readName();
//     Result<void> save()
//     {
//         auto name = TRY(readName());
//         ...
//         return {};
//     }

#include <cassert>
#include <concepts>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace foundation {

class Error {
public:
    explicit Error(std::string message)
        : m_message(std::move(message))
    {
    }
    const std::string& message() const { return m_message; }

private:
    std::string m_message;
};

template<typename T> class [[nodiscard]] Result {
public:
    template<typename U = T>
    requires(
        std::constructible_from<T,
            U&&> && !std::same_as<std::remove_cvref_t<U>, Error> && !std::same_as<std::remove_cvref_t<U>, Result>)
        Result(U&& value)
        : m_state(std::in_place_index<0>, std::forward<U>(value))
    {
    }
    Result(Error error)
        : m_state(std::in_place_index<1>, std::move(error))
    {
    }

    bool isOk() const { return m_state.index() == 0; }
    bool isError() const { return !isOk(); }
    explicit operator bool() const { return isOk(); }

    T& value() &
    {
        assert(isOk());
        return std::get<0>(m_state);
    }
    const T& value() const&
    {
        assert(isOk());
        return std::get<0>(m_state);
    }
    T&& value() &&
    {
        assert(isOk());
        return std::get<0>(std::move(m_state));
    }
    T valueOr(T fallback) const& { return isOk() ? std::get<0>(m_state) : std::move(fallback); }

    const Error& error() const
    {
        assert(isError());
        return std::get<1>(m_state);
    }
    Error releaseError() && { return std::get<1>(std::move(m_state)); }

private:
    std::variant<T, Error> m_state;
};

template<> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
    {
    }

    bool isOk() const { return !m_error.has_value(); }
    bool isError() const { return m_error.has_value(); }
    explicit operator bool() const { return isOk(); }
    void value() const { assert(isOk()); }

    const Error& error() const
    {
        assert(isError());
        return *m_error;
    }
    Error releaseError() && { return std::move(*m_error); }

private:
    std::optional<Error> m_error;
};

} // namespace foundation

// Evaluates a Result; on failure returns its error from the enclosing
// function, otherwise yields the value (a statement expression, as g++ and
// clang both accept).
#define TRY(expression)                                                                                      \
    ({                                                                                                       \
        auto _tryResult = (expression);                                                                      \
        if (_tryResult.isError())                                                                            \
            return std::move(_tryResult).releaseError();                                                     \
        std::move(_tryResult).value();                                                                       \
    })
