#include "dialogue.hpp"

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "cread.hpp"
#include "fortran_fields.hpp"
#include "result_lines.hpp"
#include "tbcalc/inputs.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc::dialogue {
namespace {

enum class Step { sst, altitude, air_temperature, wind, rain, leave };

// One prompt of the dialogue: its text, the accepted range and where an empty
// line or NO leads.
struct PromptRule {
  std::string_view prompt;
  AcceptedRange range;
  std::string_view range_message;
  Step on_empty_or_no;
};

// Indexed by Step. The messages name -2 C and 0 m although -5 C is accepted
// and 0 m rejected; operators know them as they stand.
constexpr std::array<PromptRule, 5> kRules = {{
    {.prompt = "Enter SST (deg C) > ",
     .range = input_field(InputId::sst).range,
     .range_message = "SST value out of range (-2 to 45 C)\n",
     .on_empty_or_no = Step::leave},
    {.prompt = "Enter Radar Altitude (meters) > ",
     .range = input_field(InputId::altitude).range,
     .range_message = "Alt value out of range (0 to 16000 m)\n",
     .on_empty_or_no = Step::sst},
    {.prompt = "Enter Flight Level Ambient Temp (deg C) > ",
     .range = input_field(InputId::air).range,
     .range_message = "Temp value out of range (-70 to +45 C)\n",
     .on_empty_or_no = Step::leave},
    {.prompt = "Estimated Wind Speed (m/s) > ",
     .range = input_field(InputId::wind).range,
     .range_message = "WS value out of range (0 to 150 m/s)\n",
     .on_empty_or_no = Step::altitude},
    {.prompt = "Estimated Rain Rate (mm/hr) > ",
     .range = input_field(InputId::rain).range,
     .range_message = "RR value out of range (-10 to 150 mm/hr)\n",
     .on_empty_or_no = Step::altitude},
}};

// What one prompt ended with: the typed value, a move, or the end of the run.
struct Answer {
  enum Kind { accepted, moved, stopped } kind;
  float value = 0.0f;
  Step next = Step::leave;
  Outcome outcome = Outcome::exited;
};

class Session {
 public:
  Session(LineReader& in, OutputBuffer& out) : in_(in), out_(out) {}
  Outcome run();

 private:
  Answer ask(const PromptRule& rule);

  LineReader& in_;
  OutputBuffer& out_;
  ReplyLine line_{};
};

Answer Session::ask(const PromptRule& rule) {
  for (;;) {
    if (out_.failed()) return {Answer::stopped, 0.0f, Step::leave, Outcome::write_error};
    out_.append(rule.prompt);
    ReplyCode code = ReplyCode::value;
    switch (cread(in_, line_, code)) {
      case ReadStatus::line:
        break;
      case ReadStatus::end_of_input:
        return {Answer::stopped, 0.0f, Step::leave, Outcome::end_of_input};
      case ReadStatus::error:
        return {Answer::stopped, 0.0f, Step::leave, Outcome::read_error};
    }
    if (code == ReplyCode::exit) return {Answer::moved, 0.0f, Step::leave};
    if (code != ReplyCode::value) return {Answer::moved, 0.0f, rule.on_empty_or_no};

    float v = 0.0f;
    const int status = read_f10_5(std::span<const char, 10>(line_.data(), 10), v);
    if (status != 0) {
      std::array<char, 5> field;
      write_i5(status, field);
      out_.append("I/O Error");
      out_.append(std::string_view(field.data(), field.size()));
      out_.append(" while reading value!\n");
    } else if (!rule.range.contains(v)) {
      out_.append(rule.range_message);
    } else {
      return {Answer::accepted, v};
    }
  }
}

Outcome Session::run() {
  Environment env{};
  std::array<float, 2> wind_rain = {0.0f, 0.0f};
  // Prepared once the environment is complete; it lives as long as altitude
  // and air temperature do.
  std::optional<SixChannels> channels;

  Step step = Step::sst;
  for (;;) {
    if (step == Step::leave) return out_.failed() ? Outcome::write_error : Outcome::exited;
    const Answer answer = ask(kRules[std::size_t(step)]);
    if (answer.kind == Answer::stopped) return answer.outcome;
    if (answer.kind == Answer::moved) {
      step = answer.next;
      continue;
    }
    switch (step) {
      case Step::sst:
        set_sea_surface(env, answer.value);
        step = Step::altitude;
        break;
      case Step::altitude:
        env.altitude = answer.value;
        step = Step::air_temperature;
        break;
      case Step::air_temperature:
        set_flight_level(env, env.altitude, answer.value);
        channels.emplace(env);
        step = Step::wind;
        break;
      case Step::wind:
        wind_rain[0] = answer.value;
        step = Step::rain;
        break;
      case Step::rain:
        wind_rain[1] = answer.value;
        if (char* room = out_.reserve(kResultLinesSize)) {
          write_result_lines(channels->brightness(wind_rain),
                             std::span<char, kResultLinesSize>(room, kResultLinesSize));
        }
        step = Step::wind;
        break;
      case Step::leave:
        break;
    }
  }
}

}  // namespace

Outcome run_dialogue(LineReader& in, OutputBuffer& out) { return Session(in, out).run(); }

}  // namespace tbcalc::dialogue
