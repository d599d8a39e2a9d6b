// Parameterised cases under names that stay the same from build to build:
// GoogleTest prints each case, and names its test, after the case's own
// `Name()` or `name`, so a failure can be looked up by its ctest name.
//
// A test file brings the printer in beside its case types with
// `using test_support::PrintTo;` and names its tests with
// `INSTANTIATE_TEST_SUITE_P(..., test_support::ByCaseName{})`.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace test_support {

template <typename Case>
concept NamedCase = requires(const Case& c) {
    c.Name();
}
|| requires(const Case& c) {
    std::string(c.name);
};

template <NamedCase Case>
std::string CaseName(const Case& c) {
    if constexpr (requires { c.Name(); }) {
        return c.Name();
    } else {
        return std::string(c.name);
    }
}

template <NamedCase Case>
void PrintTo(const Case& c, std::ostream* os) {
    *os << CaseName(c);
}

// GoogleTest takes letters, digits and underscores in a test's name: every
// other run of characters becomes one underscore.
inline std::string TestNameOf(const std::string& text) {
    std::string name;
    for (const char c : text) {
        const bool kept =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (kept)
            name += c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name;
}

struct ByCaseName {
    template <NamedCase Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return TestNameOf(CaseName(info.param));
    }
};

}  // namespace test_support
