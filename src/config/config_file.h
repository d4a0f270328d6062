// conf.ini in the program's folder: where it is, the values it holds and their defaults.
#pragma once
#include <string>
#include <string_view>

namespace config {

// The maker's home page; conf.ini carries it and the result panel's picture opens it.
inline constexpr std::string_view kHomePageUrl = "http://www.xinglansoft.com/";

// The built-in test node URLs: n = 1..3, domestic or abroad. Any other n gives "".
std::string_view DefaultNodeUrl(bool domestic, int n);

// The current directory followed by the file name, formed anew at every call.
std::string ConfigFilePath();

// ReadIniValue / WriteIniValue on ConfigFilePath().
std::string ReadConfigValue(std::string_view section, std::string_view key,
                            std::string_view defaultValue);
void WriteConfigValue(std::string_view section, std::string_view key, std::string_view value);

// At start-up: rewrites the maker's details and the banner, fills missing keys (or keys
// holding the marker "no") with their defaults, loads the test length into
// RunState().TestSeconds and shows it in the main window's count-down box.
void WriteConfigDefaults();

} // namespace config
