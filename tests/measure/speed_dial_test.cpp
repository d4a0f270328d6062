#include "measure/speed_dial.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "main_window_fixture.h"
#include "platform/assets.h"

namespace measure {
namespace {

// "play图片分割线.....play图片分割线" in code page 936.
const std::string kMarker = "play\xCD\xBC\xC6\xAC\xB7\xD6\xB8\xEE\xCF\xDF.....play"
                            "\xCD\xBC\xC6\xAC\xB7\xD6\xB8\xEE\xCF\xDF";

platform::Bytes AsBytes(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

std::string AsString(platform::Bytes b) {
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

std::string FakePicture(int number) { return "GIF89a#" + std::to_string(number); }

// A strip of `count` fake pictures, each followed by the marker.
std::string FakeStrip(int count) {
    std::string strip;
    for (int k = 1; k <= count; ++k) strip += FakePicture(k) + kMarker;
    return strip;
}

TEST(SplitDialStrip, PiecesBetweenMarkers) {
    struct Case {
        std::string strip;
        std::vector<std::string> pieces;
    } cases[] = {
        {"", {}},
        {kMarker, {""}},
        {FakeStrip(3), {FakePicture(1), FakePicture(2), FakePicture(3)}},
        // Without a closing marker the tail is still a picture.
        {FakeStrip(2) + "GIF89a#tail", {FakePicture(1), FakePicture(2), "GIF89a#tail"}},
        // Two markers in a row leave an empty piece, so the numbering stays in strip order.
        {"A" + kMarker + kMarker + "B", {"A", "", "B"}},
        // A marker cut short is picture data, not a marker.
        {"A" + kMarker.substr(0, 32) + "B" + kMarker, {"A" + kMarker.substr(0, 32) + "B"}},
        {"no marker here", {"no marker here"}},
    };
    for (const Case& c : cases) {
        std::vector<platform::Bytes> pieces = SplitDialStrip(AsBytes(c.strip));
        std::vector<std::string> texts;
        for (platform::Bytes p : pieces) texts.push_back(AsString(p));
        EXPECT_EQ(texts, c.pieces);
    }
}

TEST(SplitDialStrip, EmbeddedStripHoldsTheHundredTenPictures) {
    platform::Bytes strip = platform::FindAsset("dial_strip.bin");
    if (strip.empty()) GTEST_SKIP() << "dial_strip.bin is not embedded in this build";
    std::vector<platform::Bytes> pieces = SplitDialStrip(strip);
    ASSERT_EQ(pieces.size(), kDialPictureCount);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::string piece = AsString(pieces[i]);
        EXPECT_EQ(piece.substr(0, 6), "GIF89a") << "picture " << i + 1;
        EXPECT_EQ(piece.find(kMarker), std::string::npos) << "picture " << i + 1;
        EXPECT_EQ(piece.find("play"), std::string::npos) << "picture " << i + 1;
    }
}

TEST(SpeedPicture, BandEdges) {
    struct Case {
        int32_t speed;
        int picture;
    } cases[] = {
        {std::numeric_limits<int32_t>::min(), 1},
        {-1, 1},
        {0, 1},
        {10240, 1},
        {10241, 2},
        {20480, 2},
        {20481, 3},
        {307200, 30},
        {307201, 31},
        {614400, 40},
        {614401, 41},
        {1024000, 50},
        {1024001, 51},
        {1048576, 51},
        {2048000, 70},
        {2097152 - 102400, 69},
        {3072000, 80},
        {5120000, 90},
        {10240000, 100},
        {10240001, 101},
        {20480000, 110},
        {20480001, 110},
        {std::numeric_limits<int32_t>::max(), 110},
    };
    for (const Case& c : cases) EXPECT_EQ(SpeedPicture(c.speed), c.picture) << c.speed;
}

TEST(SpeedPicture, NeverGoesBackAsSpeedRises) {
    int previous = SpeedPicture(0);
    for (int64_t speed = 0; speed <= 21000000; speed += 997) {
        int picture = SpeedPicture(static_cast<int32_t>(speed));
        ASSERT_GE(picture, previous) << speed;
        ASSERT_LE(picture, previous + 1) << speed; // no band is skipped at this spacing
        previous = picture;
    }
    EXPECT_EQ(previous, 110);
}

class DialTest : public testing::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        strip_ = FakeStrip(static_cast<int>(kDialPictureCount));
        for (platform::Bytes piece : SplitDialStrip(AsBytes(strip_))) frames_.Append(piece);
    }

    // The picture numbers shown in 动画框1, in order.
    std::vector<int> ShownPictures() const {
        std::vector<int> shown;
        for (const platform::HeadlessUi::Write& w : ui_.Writes()) {
            if (w.prop != platform::Prop::Picture || w.control != "动画框1") continue;
            int number = 0;
            for (std::size_t k = 1; k <= frames_.Count(); ++k)
                if (frames_.Picture(k).data() == w.picture) number = static_cast<int>(k);
            shown.push_back(number);
        }
        return shown;
    }

    int32_t Move(int32_t c, int32_t d) { return MoveNeedle(app::kMainWindow, "动画框1", c, d); }

    std::string strip_;
};

TEST_F(DialTest, ShowSpeedFrameShowsTheBandWaitsAndRunsEvents) {
    bool ran = false;
    ui_.Post([&] { ran = true; });
    ShowSpeedFrame(app::kMainWindow, "动画框1", 307201);
    EXPECT_EQ(ShownPictures(), std::vector<int>{31});
    EXPECT_EQ(ui_.Delays(), std::vector<int64_t>{10});
    EXPECT_TRUE(ran);
}

TEST_F(DialTest, RiseFromZeroAcceleratesAndLandsOnTheTarget) {
    // Step trunc(102400 / 3); values 37546, 78846, 124276, 174249, 229220, 289688, 356203,
    // 429369, 509852, 598383, 695767, 802890, 920725, 1048576.
    const std::vector<int> expected{4, 8, 13, 18, 23, 29, 32, 34, 37, 40, 42, 45, 48, 51};
    EXPECT_EQ(Move(1048576, 0), 140);
    EXPECT_EQ(ShownPictures(), expected);
}

TEST_F(DialTest, FallsInOnePicture) {
    struct Case {
        int32_t c, d;
        int picture;
    } cases[] = {
        // Within 1.4 × and ½ the step stays 102400 and the needle lands one step down.
        {2048000, 2097152, 69},
        // A fall to less than half goes straight to the target.
        {1024000, 2097152, 50},
        {0, 20480000, 1},
        {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 1},
    };
    for (const Case& c : cases) {
        ui_.ClearWrites();
        EXPECT_EQ(Move(c.c, c.d), 10) << c.d << " -> " << c.c;
        EXPECT_EQ(ShownPictures(), std::vector<int>{c.picture}) << c.d << " -> " << c.c;
    }
}

TEST_F(DialTest, UnchangedSpeedDrawsNothing) {
    for (int32_t speed : {0, 5000, 1048576, std::numeric_limits<int32_t>::max()}) {
        EXPECT_EQ(Move(speed, speed), 0) << speed;
    }
    EXPECT_TRUE(ShownPictures().empty());
    EXPECT_TRUE(ui_.Delays().empty());
}

TEST_F(DialTest, EveryRiseEndsOnItsTarget) {
    struct Case {
        int32_t d, c;
        std::size_t pictures; // how many the rise draws
    } cases[] = {
        {0, 5000, 1},  // step 0 from below 10: straight to the target
        {5, 9, 1},
        {0, 1, 1},
        {100, 5000, 42}, // step 0 from 100: 10 % a picture, as usual
        {-1000000, 20000, 1}, // from a negative start the needle goes straight up
        {0, std::numeric_limits<int32_t>::max(), 43},
        {std::numeric_limits<int32_t>::max() - 1, std::numeric_limits<int32_t>::max(), 1},
        {1024000, 1048576, 1},
    };
    for (const Case& c : cases) {
        ui_.ClearWrites();
        int32_t elapsed = Move(c.c, c.d);
        std::vector<int> shown = ShownPictures();
        ASSERT_EQ(shown.size(), c.pictures) << c.d << " -> " << c.c;
        EXPECT_EQ(shown.back(), SpeedPicture(c.c)) << c.d << " -> " << c.c;
        EXPECT_EQ(elapsed, static_cast<int32_t>(10 * c.pictures));
    }
}

TEST_F(DialTest, ElapsedTimeSurvivesTheUptimeWrap) {
    ui_.SetUptime(std::numeric_limits<uint32_t>::max() - 25);
    EXPECT_EQ(Move(1048576, 0), 140);
}

TEST_F(DialTest, MissingPicturesAreSkipped) {
    app::RunState().DialFrames = nullptr;
    EXPECT_EQ(Move(1048576, 0), 140); // the needle keeps its pace
    EXPECT_TRUE(ShownPictures().empty());

    DialFrames empty;
    app::RunState().DialFrames = &empty;
    ShowSpeedFrame(app::kMainWindow, "动画框1", 0);
    EXPECT_TRUE(ShownPictures().empty());
}

TEST_F(DialTest, IntroCutsTheStripAndSweepsDownToRest) {
    if (platform::FindAsset("dial_strip.bin").empty())
        GTEST_SKIP() << "dial_strip.bin is not embedded in this build";
    DialFrames filled;
    app::RunState().DialFrames = &filled;
    const int left = ui_.ReadNumber(app::kMainWindow, "", platform::Prop::Left);

    PlayDialIntro();

    ASSERT_EQ(filled.Count(), kDialPictureCount);
    EXPECT_EQ(AsString(filled.Picture(1)).substr(0, 6), "GIF89a");
    std::vector<int> expected;
    for (int j = 1; j <= 36; ++j) expected.push_back(111 - 3 * j);
    expected.push_back(1);
    std::vector<int> shown;
    for (const platform::HeadlessUi::Write& w : ui_.Writes()) {
        if (w.prop != platform::Prop::Picture) continue;
        int number = 0;
        for (std::size_t k = 1; k <= filled.Count(); ++k)
            if (filled.Picture(k).data() == w.picture) number = static_cast<int>(k);
        shown.push_back(number);
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(ui_.Delays(), std::vector<int64_t>(37, 10));
    EXPECT_EQ(ui_.ReadNumber(app::kMainWindow, "", platform::Prop::Left), left + 190);

    // A second intro cuts the strip afresh instead of piling up pictures.
    PlayDialIntro();
    EXPECT_EQ(filled.Count(), kDialPictureCount);
}

} // namespace
} // namespace measure
