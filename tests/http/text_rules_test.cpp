#include <gtest/gtest.h>

#include "http/text_rules.h"

namespace {

using namespace http;

// "中" is three bytes in UTF-8 (E4 B8 AD); "　" is the ideographic space.
const std::string kWide = "\xE4\xB8\xAD";
const std::string kWideSpace = "\xE3\x80\x80";

TEST(TextRules, FindCountsFromOneAndStepsOverWholeCharacters) {
    struct Case {
        std::string text, what;
        int32_t start;
        bool ignoreCase;
        int32_t expected;
    };
    const Case cases[] = {
        {"abcabc", "bc", 1, false, 2},
        {"abcabc", "bc", 3, false, 5},
        {"abcabc", "bc", -4, false, 2},  // below 1 counts as 1
        {"abcabc", "bc", 6, false, -1},
        {"abcabc", "bc", 99, false, -1},
        {"abc", "", 1, false, -1},
        {"", "a", 1, false, -1},
        {"ABC", "bc", 1, false, -1},
        {"ABC", "bc", 1, true, 2},
        {"x" + kWide + "y", "y", 1, false, 5},
        // The second and third bytes of a character are never the start of a match.
        {kWide, "\xB8\xAD", 1, false, -1},
        {kWide, "\xB8", 2, false, -1},
        // A stray continuation byte is a character of its own.
        {"a\xB8", "\xB8", 1, false, 2},
        // Only ASCII letters fold.
        {"\xC3\x84", "\xC3\xA4", 1, true, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Find(c.text, c.what, c.start, c.ignoreCase), c.expected)
            << c.text << " / " << c.what << " from " << c.start;
    EXPECT_EQ(FindLast("a:b:c", ":"), 4);
    EXPECT_EQ(FindLast("a:b:c", ";"), -1);
    EXPECT_EQ(FindLast("xAbab", "AB", true), 4);
    EXPECT_EQ(FindLast(kWide + kWide, "\xAD"), -1);
}

TEST(TextRules, PartsOfAText) {
    EXPECT_EQ(Left("abc", 0), "");
    EXPECT_EQ(Left("abc", -1), "");
    EXPECT_EQ(Left("abc", 2), "ab");
    EXPECT_EQ(Left("abc", 9), "abc");
    EXPECT_EQ(Right("abc", -1), "");
    EXPECT_EQ(Right("abc", 2), "bc");
    EXPECT_EQ(Right("abc", 9), "abc");
    EXPECT_EQ(Middle("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Middle("abcdef", 5, 9), "ef");
    EXPECT_EQ(Middle("abcdef", 0, 2), "");
    EXPECT_EQ(Middle("abcdef", 7, 1), "");
    EXPECT_EQ(Middle("abcdef", 6, 1), "f");
    EXPECT_EQ(Middle("abcdef", 2, 0), "");
}

TEST(TextRules, TrimAndSpaceRemovalTouchOnlySpaces) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim(kWideSpace + " a" + kWideSpace + "b " + kWideSpace), "a" + kWideSpace + "b");
    EXPECT_EQ(Trim("\ta\r\n"), "\ta\r\n");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(RemoveAllSpaces(" a b" + kWideSpace + "c\t"), "abc\t");
    EXPECT_EQ(ToLowerAscii("AbC-" + kWide + "Z"), "abc-" + kWide + "z");
}

TEST(TextRules, SplitKeepsInnerEmptyPiecesButNoTrailingOne) {
    struct Case {
        std::string text, sep;
        TextList expected;
    };
    const Case cases[] = {
        {"a;b", ";", {"a", "b"}},
        {"a;;b", ";", {"a", "", "b"}},
        {";a", ";", {"", "a"}},
        {"a;", ";", {"a"}},
        {";", ";", {""}},
        {"", ";", {}},
        {"a", ";", {"a"}},
        {"a\r\nb\r\n", "\r\n", {"a", "b"}},
        {"a" + kWide + "b", "\xB8", {"a" + kWide + "b"}},
        {"ab", "", {"ab"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Split(c.text, c.sep), c.expected) << c.text;
}

TEST(TextRules, TextBetweenCutsBetweenMarkers) {
    EXPECT_EQ(TextBetween("x[abc]y", "[", "]"), "abc");
    // No end marker after the start: everything to the end.
    EXPECT_EQ(TextBetween("x[abc", "[", "]"), "abc");
    EXPECT_EQ(TextBetween("ab[", "[", "]"), "");
    EXPECT_EQ(TextBetween("headers\r\nuser-agent: X\r\nAccept: y", "User-Agent:", "\r\n"), " X");
    EXPECT_EQ(TextBetween("key=\"v\";", "key=#引号", "#引号"), "v");
    EXPECT_EQ(TextBetween("aXb", "x", "B", nullptr, std::nullopt, false), "");

    int32_t pos = 1;
    EXPECT_EQ(TextBetween("abc", "[", "]", &pos), "");
    EXPECT_EQ(pos, -1);

    pos = 1;
    EXPECT_EQ(TextBetween("x[ab][cd]", "[", "]", &pos), "ab");
    EXPECT_EQ(pos, 3);
    pos = 5;
    EXPECT_EQ(TextBetween("x[ab][cd]", "[", "]", &pos), "cd");
    EXPECT_EQ(pos, 7);

    // An inner marker found after the start marker; the result begins after it.
    pos = 1;
    EXPECT_EQ(TextBetween("<a href=1>x</a>", "<a", "<", &pos, std::string_view(">")), "x");
    EXPECT_EQ(pos, 11);
    pos = 1;
    EXPECT_EQ(TextBetween("<a href=1", "<a", "<", &pos, std::string_view(">")), "");
    EXPECT_EQ(pos, -1);

    // keepStartMarker: the result starts at the start marker.
    pos = 1;
    EXPECT_EQ(TextBetween("x[ab]", "[", "]", &pos, std::nullopt, true, true), "[ab");
    EXPECT_EQ(pos, 2);
}

TEST(TextRules, HeaderLineValueJoinDistinctAndListContains) {
    EXPECT_EQ(HeaderLineValue("Content-Type:  text/html "), "text/html");
    EXPECT_EQ(HeaderLineValue("Host: a:81"), "a:81");
    EXPECT_EQ(HeaderLineValue("no colon"), "");
    EXPECT_EQ(HeaderLineValue("Empty:"), "");

    EXPECT_EQ(JoinDistinct("a=1; a=1; b=2", "; "), "a=1; b=2");
    EXPECT_EQ(JoinDistinct("", "; "), "");
    EXPECT_EQ(JoinDistinct("b; a; b; a", "; "), "b; a");
    EXPECT_EQ(JoinDistinct("A; a", "; "), "A; a");

    EXPECT_TRUE(ListContains({"a", "b"}, "b"));
    EXPECT_FALSE(ListContains({"a", "b"}, "B"));
    EXPECT_FALSE(ListContains({}, ""));
    EXPECT_TRUE(ListContains({""}, ""));
}

} // namespace
