// The dialogue's own texts as the tests expect them, byte for byte. Each is
// built from its literal alone: a global built from another global may be
// initialised before it.
#pragma once

#include <string>

namespace tbcalc::texts {

inline const std::string kSst = "Enter SST (deg C) > ";
inline const std::string kAlt = "Enter Radar Altitude (meters) > ";
inline const std::string kAir = "Enter Flight Level Ambient Temp (deg C) > ";
inline const std::string kWind = "Estimated Wind Speed (m/s) > ";
inline const std::string kRain = "Estimated Rain Rate (mm/hr) > ";
inline const std::string kFreqLine = "Freq:   4.74   5.31   5.57   6.02   6.69   7.09 GHz\n";
inline const std::string kBadChar = "I/O Error  115 while reading value!\n";
// The result of 20 C, 1500 m, 10 C, 10 m/s, 5 mm/h.
inline const std::string kFirstResult =
    "Freq:   4.74   5.31   5.57   6.02   6.69   7.09 GHz\n"
    "  Tb: 112.86 114.08 114.64 115.64 117.19 118.18 K\n";

}  // namespace tbcalc::texts
