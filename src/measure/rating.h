// Turns a measured speed into the texts the user reads: grade word, bandwidth and rank.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace measure {

// The grade word for a speed in bytes per second, from "断线" up to "光速".
std::string_view GradeWord(int32_t speed);
// Writes the grade word into the main window's 编辑框_速度评估 and lets pending events run.
void ShowSpeedGrade(int32_t speed);

// The bandwidth in units of 120 KB/s, rounded to one place ("8.5", "100", "0").
std::string BandwidthText(int32_t speed);

// Estimated national rank in percent for k whole KB/s, rounded to two places. Above the
// top band (125000 KB/s) the rank stays at the top band's end; below 0 it is 0.
float EstimateRank(int32_t k);

// Rounds half away from zero to n places; a scaled value less than 1e-12 below a half
// counts as a half.
double RoundTo(double x, int n);

// Number-to-text rules shared by every displayed figure.
std::string FormatInt(int32_t value);     // "%d"
std::string FormatDouble(double value);   // "%.13g"
std::string FormatSingle(float value);    // half up to 6 significant digits, then "%.6g"

// Fills the result panel's grade, bandwidth and rank from the last sampled speed.
void WriteResultPanel(int32_t speed);

} // namespace measure
