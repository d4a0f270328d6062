#include <gtest/gtest.h>

#include <string>

#include "crash/crash_report.h"

namespace {

std::string Format(const crash::ReportRecord& record) {
    char text[crash::kReportCapacity];
    const std::size_t length = crash::FormatReport(record, text, sizeof text);
    EXPECT_EQ(length, std::string(text).size());
    return text;
}

crash::ReportRecord Record(uint32_t code, uint32_t address, int32_t count) {
    crash::ReportRecord r;
    r.Code = code;
    r.Address = address;
    r.NumberParameters = count;
    for (int i = 0; i < crash::kMaxInformationWords; ++i)
        r.Information[i] = static_cast<uint32_t>(i + 1);
    return r;
}

TEST(ReportText, LinesFollowTheRecord) {
    struct Case {
        const char* name;
        crash::ReportRecord record;
        std::string expected;
    };
    crash::ReportRecord accessViolation = Record(0xC0000005, 0x0040A1B2, 2);
    accessViolation.Information[0] = 0;
    accessViolation.Information[1] = 16;
    crash::ReportRecord everything = Record(0xDEADBEEF, 0xFFFFFFFF, 1);
    everything.Flags = 1;
    everything.ChainedRecord = 0x00ABCDEF;
    everything.Information[0] = 0x80000000;

    const Case cases[] = {
        {"no information words: four lines, no count line", Record(0xC0000094, 0x12345678, 0),
         "ExceptionCode:\t0xC0000094\r\n"
         "ExceptionAddress:\t0x12345678\r\n"
         "ExceptionFlags:\t0x00000000\r\n"
         "ExceptionRecord:\t0x00000000\r\n"},
        {"a negative count is no count", Record(0xC000001D, 0, -3),
         "ExceptionCode:\t0xC000001D\r\n"
         "ExceptionAddress:\t0x00000000\r\n"
         "ExceptionFlags:\t0x00000000\r\n"
         "ExceptionRecord:\t0x00000000\r\n"},
        {"read of address 16", accessViolation,
         "ExceptionCode:\t0xC0000005\r\n"
         "ExceptionAddress:\t0x0040A1B2\r\n"
         "ExceptionFlags:\t0x00000000\r\n"
         "ExceptionRecord:\t0x00000000\r\n"
         "NumberParameters:\t0x00000002\r\n"
         "ExceptionInformation[1]:  0x00000000\r\n"
         "ExceptionInformation[2]:  0x00000010\r\n"},
        {"every field, upper-case digits", everything,
         "ExceptionCode:\t0xDEADBEEF\r\n"
         "ExceptionAddress:\t0xFFFFFFFF\r\n"
         "ExceptionFlags:\t0x00000001\r\n"
         "ExceptionRecord:\t0x00ABCDEF\r\n"
         "NumberParameters:\t0x00000001\r\n"
         "ExceptionInformation[1]:  0x80000000\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Format(c.record), c.expected) << c.name;
}

TEST(ReportText, InformationWordsStopAtFifteen) {
    for (int32_t count : {15, 16, 0x7FFFFFFF}) {
        const std::string text = Format(Record(0xC0000005, 0, count));
        const std::string countLine = text.substr(text.find("NumberParameters:"));
        EXPECT_EQ(countLine.substr(0, countLine.find("\r\n")),
                  count == 15   ? "NumberParameters:\t0x0000000F"
                  : count == 16 ? "NumberParameters:\t0x00000010"
                                : "NumberParameters:\t0x7FFFFFFF");
        EXPECT_NE(text.find("ExceptionInformation[9]:  0x00000009\r\n"), std::string::npos);
        EXPECT_NE(text.find("ExceptionInformation[10]:  0x0000000A\r\n"), std::string::npos);
        EXPECT_TRUE(text.ends_with("ExceptionInformation[15]:  0x0000000F\r\n")) << count;
        EXPECT_EQ(text.find("[16]"), std::string::npos);
    }
}

TEST(ReportText, LargestReportFitsAndSmallBuffersStayTerminated) {
    char text[crash::kReportCapacity];
    const std::size_t full = crash::FormatReport(Record(0xC0000005, 0, 15), text, sizeof text);
    EXPECT_LT(full, crash::kReportCapacity - 1); // nothing was cut

    char small[12];
    std::fill(std::begin(small), std::end(small), 'X');
    EXPECT_EQ(crash::FormatReport(Record(0xC0000005, 0, 2), small, sizeof small), 11u);
    EXPECT_STREQ(small, "ExceptionCo");
}

} // namespace
