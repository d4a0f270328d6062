#include "measure/rating.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "main_window_fixture.h"

namespace measure {
namespace {

TEST(GradeWord, ThresholdsInKbPerSecond) {
    struct Case {
        int32_t speed;
        std::string_view word;
    } cases[] = {
        {std::numeric_limits<int32_t>::min(), "断线"},
        {-1, "断线"},
        {0, "断线"},
        {1023, "断线"},
        {1024, "卡顿"},
        {30719, "卡顿"},
        {30720, "蜗牛"},
        {125 * 1024 - 1, "蜗牛"},
        {125 * 1024, "蚂蚁"},
        {250 * 1024, "步行"},
        {375 * 1024, "奔跑"},
        {625 * 1024 - 1, "奔跑"},
        {625 * 1024, "汽车"},
        {955 * 1024, "汽车"},
        {1250 * 1024, "高铁"},
        {2500 * 1024, "飞机"},
        {3750 * 1024, "火箭"},
        {10240000 - 1, "火箭"},
        {10240000, "光速"},
        {std::numeric_limits<int32_t>::max(), "光速"},
    };
    for (const Case& c : cases) EXPECT_EQ(GradeWord(c.speed), c.word) << c.speed;
}

TEST(BandwidthText, RoundsToOnePlaceOfHundredTwentyKb) {
    struct Case {
        int32_t speed;
        const char* text;
    } cases[] = {
        {0, "0"},         {6143, "0"},      {6144, "0.1"},         {61440, "0.5"},
        {122880, "1"},    {1048576, "8.5"}, {12288000, "100"},     {12288000 + 6144, "100.1"},
        {-6144, "-0.1"},  {-6143, "0"},     {std::numeric_limits<int32_t>::max(), "17476.3"},
    };
    for (const Case& c : cases) EXPECT_EQ(BandwidthText(c.speed), c.text) << c.speed;
}

TEST(EstimateRank, WorkedValuesAsWritten) {
    struct Case {
        int32_t k;
        const char* text;
    } cases[] = {
        {0, "0"},        {1, "0.1"},       {499, "49.9"},    {500, "50"},     {501, "50.04"},
        {750, "60"},     {1000, "70"},     {1001, "70.01"},  {1234, "72.67"}, {1875, "80"},
        {1876, "80.01"}, {2500, "85"},     {3125, "90"},     {5000, "93"},    {6250, "95"},
        {10000, "96.8"}, {12500, "98"},    {125000, "99.89"}, {955, "68.2"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatSingle(EstimateRank(c.k)), c.text) << c.k;
}

TEST(EstimateRank, OutsideTheBandsStaysWithinTheScale) {
    EXPECT_EQ(EstimateRank(125001), EstimateRank(125000));
    EXPECT_EQ(EstimateRank(std::numeric_limits<int32_t>::max()), EstimateRank(125000));
    EXPECT_EQ(FormatSingle(EstimateRank(2097151)), "99.89");
    EXPECT_EQ(EstimateRank(-1), 0.0f);
    EXPECT_EQ(EstimateRank(std::numeric_limits<int32_t>::min()), 0.0f);
}

TEST(EstimateRank, NeverFallsAsSpeedRises) {
    float previous = EstimateRank(0);
    for (int32_t k = 1; k <= 130000; ++k) {
        float rank = EstimateRank(k);
        ASSERT_GE(rank, previous) << k;
        previous = rank;
    }
}

TEST(RoundTo, HalfAwayFromZero) {
    EXPECT_EQ(RoundTo(0, 2), 0);
    EXPECT_EQ(RoundTo(2.5, 0), 3);
    EXPECT_EQ(RoundTo(-2.5, 0), -3);
    EXPECT_EQ(RoundTo(2.4999, 0), 2);
    EXPECT_DOUBLE_EQ(RoundTo(0.05, 1), 0.1);
    EXPECT_DOUBLE_EQ(RoundTo(-0.05, 1), -0.1);
    // 1.005 is stored a hair below the half; the small addend still rounds it up.
    EXPECT_DOUBLE_EQ(RoundTo(1.005, 2), 1.01);
    EXPECT_DOUBLE_EQ(RoundTo(72.674285, 2), 72.67);
    // A small negative value rounds to a plain zero, never to a negative zero.
    EXPECT_FALSE(std::signbit(RoundTo(-0.04, 1)));
}

TEST(NumberText, IntegerDoubleAndSingle) {
    EXPECT_EQ(FormatInt(0), "0");
    EXPECT_EQ(FormatInt(-42), "-42");
    EXPECT_EQ(FormatInt(std::numeric_limits<int32_t>::min()), "-2147483648");
    EXPECT_EQ(FormatInt(std::numeric_limits<int32_t>::max()), "2147483647");

    EXPECT_EQ(FormatDouble(8.0), "8");
    EXPECT_EQ(FormatDouble(6.8), "6.8");
    EXPECT_EQ(FormatDouble(-0.0), "0");
    EXPECT_EQ(FormatDouble(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatDouble(1234567890123.0), "1234567890123");
    EXPECT_EQ(FormatDouble(12345678901234.0), "1.234567890123e+13");
    EXPECT_EQ(FormatDouble(0.0001), "0.0001");
    EXPECT_EQ(FormatDouble(0.00001), "1e-05");

    EXPECT_EQ(FormatSingle(72.67f), "72.67");
    EXPECT_EQ(FormatSingle(0.0f), "0");
    EXPECT_EQ(FormatSingle(-0.0f), "0");
    EXPECT_EQ(FormatSingle(99.89f), "99.89");
    EXPECT_EQ(FormatSingle(1234567.0f), "1.23457e+06");
    EXPECT_EQ(FormatSingle(999999.5f), "1e+06");
    EXPECT_EQ(FormatSingle(-2.5f), "-2.5");
    // The single nearest to 0.1000015 lies below it; written as a decimal it rounds up.
    EXPECT_EQ(FormatSingle(0.1000015f), "0.100002");
    EXPECT_EQ(FormatSingle(-0.1000015f), "-0.100002");
    EXPECT_EQ(FormatSingle(0.00001f), "1e-05");
}

using RatingWindowTest = testing::MainWindowTest;

TEST_F(RatingWindowTest, ShowSpeedGradeWritesTheWordAndRunsPendingEvents) {
    bool ran = false;
    ui_.Post([&] { ran = true; });
    ShowSpeedGrade(30720);
    EXPECT_EQ(ui_.ReadText(app::kMainWindow, "编辑框_速度评估"), "蜗牛");
    EXPECT_TRUE(ran);
}

TEST_F(RatingWindowTest, ResultPanelForTheLastSample) {
    const int32_t speed = 955 * 1024;
    ShowSpeedGrade(speed);
    WriteResultPanel(speed);
    EXPECT_EQ(ui_.ReadText(app::kMainWindow, "编辑框_评估网速等级"), "汽车");
    EXPECT_EQ(ui_.ReadText(app::kMainWindow, "编辑框_评估平均带宽"), "8 兆");
    EXPECT_EQ(ui_.ReadText(app::kMainWindow, "编辑框_评估中国排名"), "68.2 %");
}

TEST_F(RatingWindowTest, ResultPanelCopiesWhateverGradeIsShown) {
    // The panel repeats the live grade box, not a grade of its own.
    ui_.WriteText(app::kMainWindow, "编辑框_速度评估", "蜗牛");
    WriteResultPanel(0);
    EXPECT_EQ(ui_.ReadText(app::kMainWindow, "编辑框_评估网速等级"), "蜗牛");
    EXPECT_EQ(ui_.ReadText(app::kMainWindow, "编辑框_评估平均带宽"), "0 兆");
    EXPECT_EQ(ui_.ReadText(app::kMainWindow, "编辑框_评估中国排名"), "0 %");
}

} // namespace
} // namespace measure
