// One emissivity and one brightness temperature of the model's reference
// tables, the six channels of an end-to-end case and their retrieval,
// through the installed headers and libraries.
#include <array>
#include <cmath>
#include <cstdio>
#include <tbcalc/model.hpp>
#include <tbcalc/retrieval.hpp>

int main() {
  std::array<float, 6> emis{};
  tbcalc::klsw_loop(tbcalc::freqs.data(), 15.0f, emis.data(), 6);
  // 15 degC, 4.74 GHz: 0.358515; the base case of the channel model: 120.286 K.
  const float tb = tbcalc::tbvrel(6.02f, 293.146f, 1500.0f, 283.146f, 0.38f, {10.0f, 5.0f});
  // 20 degC, 1500 m, 10 degC, 10 m/s, 5 mm/h: 112.86 K at 4.74 GHz, 118.18 K at 7.09 GHz.
  std::array<float, 6> emis20{};
  tbcalc::klsw_loop(tbcalc::freqs.data(), 20.0f, emis20.data(), 6);
  const tbcalc::SixChannels six(tbcalc::freqs, 293.146f, 1500.0f, 283.146f, emis20);
  const std::array<float, 6> tb6 = six.brightness({10.0f, 5.0f});
  std::array<double, 6> measured;
  for (std::size_t i = 0; i < 6; ++i) measured[i] = tb6[i];
  const tbcalc::Retrieval back = tbcalc::retrieve(20.0f, 1500.0f, 10.0f, measured);
  const bool ok = std::fabs(emis[0] - 0.358515) <= 1e-6 && std::fabs(tb - 120.286) <= 1e-3 &&
                  std::fabs(tb6[0] - 112.86) <= 5e-3 && std::fabs(tb6[5] - 118.18) <= 5e-3 &&
                  std::fabs(back.wind - 10.0) <= 1e-3 && std::fabs(back.rain - 5.0) <= 1e-3 &&
                  back.status == tbcalc::RetrievalStatus::converged;
  std::printf("emissivity %.6f, brightness temperature %.3f K: %s\n", double(emis[0]), double(tb),
              ok ? "as expected" : "WRONG");
  return ok ? 0 : 1;
}
