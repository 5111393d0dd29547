// The whole dialogue over an arbitrary byte stream, delivered in chunks and
// with output that may fail part way. It must end, and what it printed must be
// made only of its own prompts, messages and result lines.
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dialogue.hpp"
#include "dialogue_texts.hpp"
#include "memory_streams.hpp"

using namespace tbcalc::console;
using namespace tbcalc::dialogue;

namespace {

using namespace tbcalc::texts;

// Built on first use: the shared texts are globals of their own, whose
// initialisation need not come before a global here.
const std::array<std::string, 12>& fixed_texts() {
  static const std::array<std::string, 12> texts = {
      kSst,
      kAlt,
      kAir,
      kWind,
      kRain,
      kBadChar,
      kFreqLine,
      "SST value out of range (-2 to 45 C)\n",
      "Alt value out of range (0 to 16000 m)\n",
      "Temp value out of range (-70 to +45 C)\n",
      "WS value out of range (0 to 150 m/s)\n",
      "RR value out of range (-10 to 150 mm/hr)\n",
  };
  return texts;
}
constexpr std::string_view kTbHead = "  Tb:";
constexpr std::string_view kTbTail = " K\n";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A finite F7.2 field: blanks, an optional minus, digits without a leading
// zero, a point and two decimals.
bool is_f7_2_number(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  if (i < field.size() && field[i] == '-') ++i;
  if (i < field.size() && field[i] == '0') return false;
  while (i < field.size() && is_digit(field[i])) ++i;
  return field.size() - i == 3 && field[i] == '.' && is_digit(field[i + 1]) &&
         is_digit(field[i + 2]);
}

std::size_t match_token(std::string_view rest) {
  for (const std::string& text : fixed_texts()) {
    if (rest.starts_with(text)) return text.size();
  }
  const std::size_t tb_size = kTbHead.size() + 6 * 7 + kTbTail.size();
  if (rest.starts_with(kTbHead) && rest.size() >= tb_size &&
      rest.substr(tb_size - kTbTail.size(), kTbTail.size()) == kTbTail) {
    for (std::size_t i = 0; i < 6; ++i) {
      if (!is_f7_2_number(rest.substr(kTbHead.size() + 7 * i, 7))) return 0;
    }
    return tb_size;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first byte picks the read size, the second whether output fails.
  const std::size_t chunk = std::size_t(data[0] % 64) + 1;
  const bool output_fails = data[1] & 0x80;
  const std::size_t capacity = output_fails ? std::size_t(data[1] & 0x7f) * 16 : std::string::npos;
  StringSource source(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2), chunk);
  StringSink sink(capacity, ENOSPC);
  OutputBuffer out(sink);
  LineReader in(source, out);
  const Outcome outcome = run_dialogue(in, out);
  out.flush();
  if (outcome == Outcome::read_error) std::abort();  // the source never fails
  if (out.failed() && !output_fails) std::abort();
  if (outcome == Outcome::write_error && !out.failed()) std::abort();

  // Output is delivered in whole texts, so even after a failed write what
  // arrived must be made of complete ones.
  std::string_view rest = sink.text;
  while (!rest.empty()) {
    const std::size_t n = match_token(rest);
    if (n == 0) {
      std::fprintf(stderr, "unexpected output: [%.80s]\n", std::string(rest).c_str());
      std::abort();
    }
    rest.remove_prefix(n);
  }
  return 0;
}
