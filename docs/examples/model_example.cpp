// The forward model from C++: the emissivity table of one sea surface, one
// channel's brightness temperature, and all six channels at once.
#include <array>
#include <cstdio>
#include <tbcalc/model.hpp>

int main() {
  std::array<float, 6> emis;
  tbcalc::klsw_loop(tbcalc::freqs.data(), 20.0f, emis.data(), 6);  // SST in degC, salinity 36
  const float tb = tbcalc::tbvrel(tbcalc::freqs[0], 293.146f, 1500.0f, 283.146f, emis[0],
                                  {10.0f, 5.0f});  // K, m, K, wind m/s, rain mm/h
  std::printf("emissivity %.6f, brightness %.5f K at %.2f GHz\n", emis[0], tb, tbcalc::freqs[0]);

  // Many wind/rain pairs under one environment: prepared once, six channels
  // at a time, tbvrel's values bit for bit.
  const tbcalc::SixChannels channels(tbcalc::freqs, 293.146f, 1500.0f, 283.146f, emis);
  for (float t : channels.brightness({10.0f, 5.0f})) std::printf("%.5f ", t);
  std::printf("K\n");

  // Coastal water: the environment at salinity 28, psu.
  const tbcalc::Environment coastal =
      tbcalc::environment_from_replies(20.0f, 1500.0f, 10.0f, 28.0f);
  std::printf("at salinity 28: %.5f K\n",
              tbcalc::SixChannels(coastal).brightness({10.0f, 5.0f})[0]);
}
