#pragma once
// Values the card assembles itself from the glyphs the program sends: the date and time
// (kind 50), count-up (58) and count-down (57), and the sensor readings (80-82). The glyphs are
// drawn left to right at y 0 of the record's rectangle, each at its own width.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/DateTime.h"

namespace displaysim {

// What a counter shows for the time between two moments given in milliseconds since 1 January
// 0001 (0 when the difference is negative), in a count format: 0 whole days, 1 whole hours,
// 2 "HH:NN:SS", 3 "HH:NN", 4 "NN:SS", 5 "SS" of the time of day; nothing for other formats.
std::string CountText(int64_t differenceMs, int countFormat);

// A moment as milliseconds since 1 January 0001 00:00 (day 1); none for an invalid moment.
std::optional<int64_t> MomentMs(platform::TDateTime moment);

// The samples the sensors show, as on the design surface: temperature, humidity, noise.
constexpr const char* TemperatureSample = "25";
constexpr const char* HumiditySample = "80";
constexpr const char* NoiseSample = "30";

}  // namespace displaysim
