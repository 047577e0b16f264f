#pragma once

#include <string_view>

namespace orvek::markup {

inline constexpr std::string_view kLabelColour = "<FONT color=\"clMaroon\">";
inline constexpr std::string_view kIdColour = "<FONT color=\"#1B96E9\">";
inline constexpr std::string_view kPassHead = "<FONT bgcolor=\"clFuchsia\" color=\"clWhite\">";
inline constexpr std::string_view kPassingValue = "<FONT bgcolor=\"clLime\">";
inline constexpr std::string_view kTransponderId = "<FONT bgcolor=\"clGreen\" color=\"#98FB98\">";
inline constexpr std::string_view kBatteryLow = "<FONT bgcolor=\"clRed\">";
inline constexpr std::string_view kPlainFont = "<FONT >";

}  // namespace orvek::markup
