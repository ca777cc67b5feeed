// The keyword table: distinct keywords, defaults that read, values that
// write back bit for bit, and the documentation made from it.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "instrument/cal_keywords.h"
#include "util/util.h"

namespace {

TEST(CalKeywords, NoTwoKeywordsMatchTheSameText) {
    const auto keywords = cal_keywords();
    for (size_t a = 0; a < keywords.size(); ++a) {
        for (size_t b = a + 1; b < keywords.size(); ++b) {
            EXPECT_NE(strxcmp(keywords[a].name, keywords[b].name), 0)
                << keywords[a].name << " and " << keywords[b].name;
        }
        EXPECT_EQ(cal_find_keyword(keywords[a].name), &keywords[a]);
    }
    EXPECT_EQ(cal_find_keyword("RampConfig"), cal_find_keyword("Ramp Config"));
    EXPECT_EQ(cal_find_keyword("Ramp"), nullptr);
}

TEST(CalKeywords, EveryDefaultReadsAndWritesAsItself) {
    sys_info info;
    for (const cal_keyword& keyword : cal_keywords()) {
        ASSERT_TRUE(cal_parse_value(keyword, keyword.default_value, keyword.field(info)))
            << keyword.name;
        char text[CAL_TEXT_SIZE];
        cal_format_value(keyword, keyword.field_of(info), text);
        EXPECT_STREQ(text, keyword.default_value);
    }
}

// Numbers at the edges of their ranges, and the shortest texts that carry
// them, read back bit for bit.
TEST(CalKeywords, NumbersAtTheirEdgesWriteBackExactly) {
    const struct {
        const char* keyword;
        const char* text;
        const char* written;
    } cases[] = {
        {"OrvoEncZoomBacklash", "-2147483648", "-2147483648"},
        {"OrvoEncZoomBacklash", "2147483647", "2147483647"},
        {"OrvoEncZoomBacklash", "-0", "0"},
        {"PifocSerialNumber", "007", "7"},
        {"WaveMonitorCL", "-214.7483647", "-214.7483647"},
        {"WaveMonitorCL", "-0", "-0"},
        {"WaveMonitorCL", "0.1", "0.1"},
        {"WaveMonitorCL", "1e-300", "1e-300"},
        {"WaveMonitorSystemGain", "0.1", "0.1"},
        {"WaveMonitorSystemGain", "1e6", "1e+06"},
        {"WaveMonitorSystemGain", "3.14159265358979", "3.1415927"},
        {"SweepMaxRate", "1.7976931348623157e308", "1.7976931348623157e+308"},
        {"SweepMaxRate", ".5", "0.5"},
        {"SleepTimeout", "18:12:15", "18:12:15"},
        {"SleepTimeout", "0:0:0", "0:00:00"},
        {"SleepTimeout", "00018:00012:00015", "18:12:15"},
        {"CanBridgeMacAddress", "001a2b3c4d5e", "00:1A:2B:3C:4D:5E"},
        {"CanBridgeMacAddress", "00 - 1a : 2b  3c\t4d-5e", "00:1A:2B:3C:4D:5E"},
        {"OrvoEncZoomProgLim", "-2147483648 , 2147483647", "-2147483648 2147483647"},
        {"OrvoEncZoomProgLim", "3 3", "3 3"},
        {"OrvoEncZoomStdMags", "0.5,6", "0.5 6"},
        {"OrvoEncZoomStdMags", "1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1", "1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyword) + ": " + c.text);
        const cal_keyword* keyword = cal_find_keyword(c.keyword);
        ASSERT_NE(keyword, nullptr);
        sys_info first;
        sys_info second;
        sys_info_clear(&first);
        sys_info_clear(&second);
        ASSERT_TRUE(cal_parse_value(*keyword, c.text, keyword->field(first)));
        char text[CAL_TEXT_SIZE];
        cal_format_value(*keyword, keyword->field_of(first), text);
        EXPECT_STREQ(text, c.written);
        ASSERT_TRUE(cal_parse_value(*keyword, text, keyword->field(second)));
        EXPECT_TRUE(cal_same_value(*keyword, keyword->field_of(first), keyword->field_of(second)));
    }
}

// The keyword tables of docs/calibration-file.md are the ones the table makes.
TEST(CalKeywords, TheDocumentationListsTheTable) {
#ifndef CAL_DOC_PATH
    GTEST_SKIP() << "the documentation is checked by the native build";
#else
    std::ifstream in(CAL_DOC_PATH, std::ios::binary);
    ASSERT_TRUE(in) << CAL_DOC_PATH;
    const std::string doc{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string tables;
    cal_describe_keywords(
        [](void* context, const char* line) {
            *static_cast<std::string*>(context) += std::string(line) + "\n";
        },
        &tables);
    EXPECT_NE(doc.find(tables), std::string::npos)
        << "docs/calibration-file.md needs the tables that build/<preset>/tools/cal_keyword_table "
           "prints:\n"
        << tables;
#endif
}

}  // namespace
