#pragma once

#include <QString>
#include <array>
#include <optional>

// The fixed channel tables of the quick-tune pages: citizens' band, television
// sound carriers, weather broadcasts and time-signal stations, all in MHz.
namespace channels {

// The 40-channel citizens' band plan, channel 1 first. Channel 23 lies above
// channels 24 and 25, as the band plan has it.
inline constexpr std::array<double, 40> kCbChannels = {
    26.965, 26.975, 26.985, 27.005, 27.015, 27.025, 27.035, 27.055, 27.065, 27.075,
    27.085, 27.105, 27.115, 27.125, 27.135, 27.155, 27.165, 27.175, 27.185, 27.205,
    27.215, 27.225, 27.255, 27.235, 27.245, 27.265, 27.275, 27.285, 27.295, 27.305,
    27.315, 27.325, 27.335, 27.345, 27.355, 27.365, 27.375, 27.385, 27.395, 27.405};

// Sound carriers of the VHF television channels 2 to 13.
inline constexpr int kFirstTvChannel = 2;
inline constexpr std::array<double, 12> kTvVhfSound = {
    59.75, 65.75, 71.75, 81.75, 87.75, 179.75, 185.75, 191.75, 197.75, 203.75, 209.75, 215.75};
// UHF channels 14 and up are spaced 6 MHz from channel 14's sound carrier.
inline constexpr int kFirstUhfChannel = 14;
inline constexpr int kLastTvChannel = 84;
inline constexpr double kUhfFirstSound = 475.75;
inline constexpr double kUhfSpacing = 6.0;
// The channels the TV page lists.
inline constexpr int kLastListedTvChannel = 83;

// Weather broadcast channels 1 to 7.
inline constexpr std::array<double, 7> kWeatherChannels = {162.55, 162.40, 162.475, 162.425,
                                                           162.45, 162.50, 162.525};

// Time-signal stations, as listed and tuned (the texts are used as they stand).
inline constexpr std::array<const char*, 8> kTimeStations = {"2.500",  "5.000", "10.000", "15.000",
                                                             "20.000", "3.330", "7.335",  "14.670"};

// Mode letters each page tunes in.
inline constexpr char kCbMode[] = "AM";
inline constexpr char kTvMode[] = "FMW";
inline constexpr char kWeatherMode[] = "FMN";
inline constexpr char kTimeMode[] = "AM";

// The sound carrier of a TV channel, or nothing for a channel outside 2..84.
std::optional<double> TvSoundCarrier(int channel);

// The frequency of CB channel 1..40, or nothing outside the plan.
std::optional<double> CbChannelFrequency(int channel);

// The frequency of weather channel 1..7, or nothing outside the table.
std::optional<double> WeatherChannelFrequency(int channel);

// A frequency in general number form: at most 15 significant digits, no
// trailing zeros, "." as decimal separator (59.75, 26.965, 162.4).
QString GeneralNumberText(double mhz);

}  // namespace channels
