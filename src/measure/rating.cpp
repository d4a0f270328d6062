#include "measure/rating.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "app/run_state.h"
#include "platform/ui.h"

namespace measure {
namespace {

constexpr double kTolerance = 1e-7;

bool AtLeast(double x, double threshold) { return x - threshold >= -kTolerance; }

struct Grade {
    double fromKb;
    std::string_view word;
};

constexpr std::array<Grade, 10> kGrades{{
    {1, "卡顿"},
    {30, "蜗牛"},
    {125, "蚂蚁"},
    {250, "步行"},
    {375, "奔跑"},
    {625, "汽车"},
    {1250, "高铁"},
    {2500, "飞机"},
    {3750, "火箭"},
    {10000, "光速"},
}};

struct RankBand {
    int32_t from, to; // whole KB/s, both ends included; a shared end belongs to the lower band
    double base, span, width;
    int32_t offsetFrom;
};

constexpr int32_t kTopOfRanks = 125000;

// The top band divides by 118750 rather than by its own width, so it tops out at 99.89.
constexpr std::array<RankBand, 7> kRankBands{{
    {0, 500, 0, 50, 500, 0},
    {500, 1000, 50, 20, 500, 500},
    {1000, 1875, 70, 10, 875, 1000},
    {1875, 3125, 80, 10, 1250, 1875},
    {3125, 6250, 90, 5, 3125, 3125},
    {6250, 12500, 95, 3, 6250, 6250},
    {12500, kTopOfRanks, 98, 2, 118750, 12500},
}};

// Points per KB/s, cut (not rounded) to eight places.
double BandFactor(const RankBand& band) {
    return std::trunc(100000000.0 * band.span / band.width) / 100000000.0;
}

// The "%.<precision>g" form, independent of the C locale.
std::string General(double value, int precision) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
    return std::string(buf, res.ptr);
}

} // namespace

std::string_view GradeWord(int32_t speed) {
    double kb = speed / 1024.0;
    std::string_view word = "断线";
    for (const Grade& g : kGrades)
        if (AtLeast(kb, g.fromKb)) word = g.word;
    return word;
}

void ShowSpeedGrade(int32_t speed) {
    platform::Ui& ui = platform::Services();
    ui.WriteText(app::kMainWindow, "编辑框_速度评估", GradeWord(speed));
    ui.ProcessEvents();
}

std::string BandwidthText(int32_t speed) { return FormatDouble(RoundTo(speed / 122880.0, 1)); }

float EstimateRank(int32_t k) {
    if (k < 0) return 0.0f;
    if (k > kTopOfRanks) k = kTopOfRanks;
    for (std::size_t i = 0; i < kRankBands.size(); ++i) {
        const RankBand& band = kRankBands[i];
        bool inside = (i == 0 ? k >= band.from : k > band.from) && k <= band.to;
        if (!inside) continue;
        float part = static_cast<float>(BandFactor(band) * (k - band.offsetFrom));
        double sum = band.base + static_cast<double>(part);
        return static_cast<float>(RoundTo(sum, 2));
    }
    return 0.0f; // not reached: the bands cover 0 to the top
}

double RoundTo(double x, int n) {
    if (x == 0) return 0;
    double scale = std::pow(10.0, n);
    double y = std::fabs(x) * scale + 1e-12;
    double whole = std::floor(y);
    double fraction = y - whole;
    double rounded = (fraction >= 0.5 ? whole + 1 : whole) / scale;
    if (rounded == 0) return 0; // no "-0" for a small negative value
    return x < 0 ? -rounded : rounded;
}

// to_chars rather than printf: the window layer may switch the C locale to one that writes
// a decimal comma.
std::string FormatInt(int32_t value) {
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string FormatDouble(double value) {
    if (value == 0) value = 0; // -0 is written 0
    return General(value, 13);
}

std::string FormatSingle(float value) {
    if (!std::isfinite(value) || value == 0) return General(value == 0 ? 0.0 : value, 6);
    char buf[40];
    // Round the single's shortest decimal form, not its binary value, so that the single
    // nearest to a short decimal is written as that decimal.
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);
    std::size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e))
        if (c != '.') digits.push_back(c);
    int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    constexpr std::size_t kSignificant = 6;
    if (digits.size() > kSignificant) {
        bool up = digits[kSignificant] >= '5';
        digits.resize(kSignificant);
        if (up) {
            std::size_t i = kSignificant;
            while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
            if (i == 0) {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++exponent;
            } else {
                ++digits[i - 1];
            }
        }
    }
    // digits × 10^(exponent - (count - 1)), as plain integer digits with an exponent
    std::string rounded = std::string(negative ? "-" : "") + digits + "e" +
                          std::to_string(exponent - static_cast<int>(digits.size()) + 1);
    double parsed = 0;
    std::from_chars(rounded.data(), rounded.data() + rounded.size(), parsed);
    return General(parsed, 6);
}

void WriteResultPanel(int32_t speed) {
    platform::Ui& ui = platform::Services();
    std::string grade = ui.ReadText(app::kMainWindow, "编辑框_速度评估");
    ui.WriteText(app::kMainWindow, "编辑框_评估网速等级", grade);
    ui.WriteText(app::kMainWindow, "编辑框_评估平均带宽", BandwidthText(speed) + " 兆");
    ui.WriteText(app::kMainWindow, "编辑框_评估中国排名",
                 FormatSingle(EstimateRank(speed / 1024)) + " %");
}

} // namespace measure
