#include "config/text_to_integer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

TEST(TextToInteger, ReadsTheLeadingNumber) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const struct {
        std::string text;
        int32_t expected;
    } cases[] = {
        {"15", 15},
        {"３０", 30},            // full-width digits
        {"＋７", 7},             // full-width plus
        {"－７", -7},            // full-width minus
        {"\u3000 12", 12},       // ideographic space and a space
        {"+5", 5},
        {"-5", -5},
        {"  12", 12},
        {"\t\r\n8", 8},
        {"030", 30},
        {"15秒", 15},
        {"1５x9", 15},
        {"不正确", 0},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
        {"99999999", 99999999},
        {"2147483647", kMax},
        {"2147483648", kMax},
        {"-2147483648", kMin},
        {"-2147483649", kMin},
        {std::string(100000, '9'), kMax},
        {"-" + std::string(100000, '9'), kMin},
        {"\xEF\xBC", 0},         // a cut full-width character
        {"\xFF" "5", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(config::TextToInteger(c.text), c.expected) << c.text;
}

} // namespace
