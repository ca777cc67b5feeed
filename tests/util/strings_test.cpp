// Keyword comparison, white-space stripping and trimming.
#include <gtest/gtest.h>

#include <string>

#include "support/host_locale.h"
#include "util/util.h"

namespace {

std::string stripped(std::string text, int32_t* removed) {
    *removed = u_strip_blanks(text.data());
    return text.c_str();
}

std::string trimmed(std::string text, int32_t* removed) {
    *removed = u_trim(text.data());
    return text.c_str();
}

TEST(Strxcmp, IgnoresCaseAndWhiteSpace) {
    EXPECT_EQ(strxcmp("Version", "version"), 0);
    EXPECT_EQ(strxcmp("Avg Channels", "\"AvgChannels\"") != 0, true);
    EXPECT_EQ(strxcmp("Avg Channels", "AvgChannels"), 0);
    EXPECT_EQ(strxcmp(" \tDiagOpts \n", "DIAGOPTS"), 0);
}

TEST(Strxcmp, ColonsCountOnlyInTheSecondText) {
    EXPECT_EQ(strxcmp("Channel : 3", "CHANNEL3"), 0);
    EXPECT_EQ(strxcmp("a:b", "A B"), 0);
    EXPECT_NE(strxcmp("A B", "a:b"), 0);
}

TEST(Strxcmp, KeepsWhiteSpaceInsideQuotes) {
    EXPECT_NE(strxcmp("\"a b\"", "\"ab\""), 0);
    EXPECT_EQ(strxcmp("\"a b\"", "\"A B\""), 0);
    // A colon inside quotes of the first text still becomes a blank.
    EXPECT_EQ(strxcmp("\"a:b\"", "\"A B\""), 0);
}

TEST(Strxcmp, OrdersLikeUnsignedBytes) {
    EXPECT_EQ(strxcmp("abc", "abd"), -1);
    EXPECT_EQ(strxcmp("abd", "abc"), 1);
    EXPECT_EQ(strxcmp("ab", "abc"), -1);
    EXPECT_EQ(strxcmp("abc", "ab"), 1);
    EXPECT_EQ(strxcmp("\xE9", "a"), 1);  // above 127 sorts after ASCII
    EXPECT_EQ(strxcmp("", ""), 0);
}

// Keywords match as in the C locale whatever locale the host has set: in a
// Turkish locale toupper('i') is not 'I', and Latin-1 letters change case.
TEST(Strxcmp, HostLocaleChangesNothing) {
    const host_locale locale;
    REQUIRE_HOST_LOCALE(locale);
    EXPECT_TRUE(locale.turkish_case() || !host_locale::kRequired);
    EXPECT_EQ(strxcmp("Version", "VERSION"), 0);
    EXPECT_EQ(strxcmp("DiagOpts", "diagopts"), 0);
    EXPECT_EQ(strxcmp("AvgChannels : i", "AVGCHANNELSI"), 0);
    EXPECT_EQ(strxcmp("\xE9", "\xC9"), 1);  // no case beyond ASCII
    // A non-breaking space is white space in some code pages, not in "C".
    const std::string nbsp = "\xA0";
    EXPECT_NE(strxcmp(("Avg" + nbsp + "Channels").c_str(), "AvgChannels"), 0);
    int32_t removed = 0;
    EXPECT_EQ(stripped("a" + nbsp + " b", &removed), "a" + nbsp + "b");
    EXPECT_EQ(removed, 1);
}

TEST(StripBlanks, RemovesRunsOutsideQuotesOnly) {
    int32_t removed = 0;
    EXPECT_EQ(stripped("  a \t b\r\n", &removed), "ab");
    EXPECT_EQ(removed, 7);
    EXPECT_EQ(stripped("x \" a  b \" y", &removed), "x\" a  b \"y");
    EXPECT_EQ(removed, 2);
    // An unclosed quote protects the rest of the text.
    EXPECT_EQ(stripped("a \"b c", &removed), "a\"b c");
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(stripped("", &removed), "");
    EXPECT_EQ(removed, 0);
}

TEST(Trim, RemovesBlanksTabsAndLineFeedsAtBothEnds) {
    int32_t removed = -1;
    EXPECT_EQ(trimmed("", &removed), "");
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(trimmed("\t x \n", &removed), "x");
    EXPECT_EQ(removed, 4);
    EXPECT_EQ(trimmed("   \t\n ", &removed), "");
    EXPECT_EQ(removed, 6);
    EXPECT_EQ(trimmed(" a  b ", &removed), "a  b");
    EXPECT_EQ(removed, 2);
}

TEST(Trim, KeepsCarriageReturns) {
    int32_t removed = 0;
    EXPECT_EQ(trimmed(" x\r\n", &removed), "x\r");
    EXPECT_EQ(removed, 2);
    EXPECT_EQ(trimmed("\r x", &removed), "\r x");
    EXPECT_EQ(removed, 0);
}

}  // namespace
