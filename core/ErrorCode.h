#pragma once
// Error numbers as enumerations: each layer has one `enum class` of its failures, every value
// commented, and one `describe` function (found by argument-dependent lookup) from a value to
// what it means. A switch over every value without a default makes the compiler check that each
// has its description, and refuses two values of one layer with the same number.
#include <concepts>
#include <string_view>
#include <type_traits>

namespace pv {

template <typename Code>
concept ErrorCode = std::is_enum_v<Code> && requires(Code code) {
    { describe(code) } -> std::convertible_to<std::string_view>;
};

template <ErrorCode Code>
constexpr int number(Code code) noexcept {
    return static_cast<int>(code);
}

// Whether `value` is one of the codes of Code: its description is not empty.
template <ErrorCode Code>
constexpr bool isCode(int value) {
    return !describe(static_cast<Code>(value)).empty();
}

// Whether no number in [first, last) belongs to two of the enumerations: numbers are unique
// across layers, so a number alone tells where a failure came from.
template <ErrorCode... Codes>
constexpr bool numbersAreUnique(int first, int last) {
    for (int value = first; value < last; ++value) {
        if ((int{isCode<Codes>(value)} + ...) > 1)
            return false;
    }
    return true;
}

}  // namespace pv
