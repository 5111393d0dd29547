// The dialogue driven in memory: navigation, validation, messages and the
// buffering rules, with the exact bytes it prints.
#include "dialogue.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "cread.hpp"
#include "dialogue_texts.hpp"
#include "memory_streams.hpp"

namespace tbcalc::dialogue {
namespace {

using namespace texts;
using console::StringSink;
using console::StringSource;

struct Transcript {
  Outcome outcome;
  std::string output;
};

Transcript run(std::string_view input) {
  StringSource source(input);
  StringSink sink;
  OutputBuffer out(sink);
  LineReader in(source, out);
  const Outcome outcome = run_dialogue(in, out);
  out.flush();
  return {outcome, sink.text};
}

TEST(Dialogue, Transcripts) {
  // Prompts 1 to 3 answered 20, 1500, 10, as most cases below begin.
  const std::string set_up = kSst + kAlt + kAir;
  struct Case {
    const char* what;
    std::string input;
    std::string output;
    Outcome outcome;
  };
  const Case cases[] = {
      {"empty line at the first prompt ends the run", "\n", kSst, Outcome::exited},
      {"NO at the first prompt", "no\n", kSst, Outcome::exited},
      {"EX at the first prompt, whatever follows", "Exit now\n", kSst, Outcome::exited},
      {"empty line at the air temperature prompt", "20\n1500\n\n", set_up, Outcome::exited},
      {"NO at the air temperature prompt", "20\n1500\nNo\n", set_up, Outcome::exited},
      {"no at the altitude prompt goes back to the first", "20\nno\nex\n", kSst + kAlt + kSst,
       Outcome::exited},
      {"empty line at the wind prompt goes back to altitude", "20\n1500\n10\n\n1500\nex\n",
       set_up + kWind + kAlt + kAir, Outcome::exited},
      {"NO at the rain prompt goes back to altitude", "20\n1500\n10\n5\nno\nex\n",
       set_up + kWind + kRain + kAlt, Outcome::exited},
      {"a result, then the wind prompt again", "20\n1500\n10\n10\n5\nex\n",
       set_up + kWind + kRain + kFirstResult + kWind, Outcome::exited},
      {"-3 and -5 accepted, -5.01 rejected", "-5.01\n-3\nno\n-5\nex\n",
       kSst + "SST value out of range (-2 to 45 C)\n" + kSst + kAlt + kSst + kAlt, Outcome::exited},
      {"altitude 0 rejected, 16000 accepted", "20\n0\n16000\nex\n",
       kSst + kAlt + "Alt value out of range (0 to 16000 m)\n" + kAlt + kAir, Outcome::exited},
      {"air -71 rejected, -70 and 45 accepted", "20\n1500\n-71\n-70\n\n1500\n45\nex\n",
       set_up + "Temp value out of range (-70 to +45 C)\n" + kAir + kWind + kAlt + kAir + kWind,
       Outcome::exited},
      {"wind 0 accepted, 150.5 rejected", "20\n1500\n10\n150.5\n0\nex\n",
       set_up + kWind + "WS value out of range (0 to 150 m/s)\n" + kWind + kRain, Outcome::exited},
      {"rain -10.5 rejected", "20\n1500\n10\n0\n-10.5\nex\n",
       set_up + kWind + kRain + "RR value out of range (-10 to 150 mm/hr)\n" + kRain,
       Outcome::exited},
      {"letters are a parse failure", "abc\nex\n", kSst + kBadChar + kSst, Outcome::exited},
      {"a blank before ex is a parse failure", " ex\nex\n", kSst + kBadChar + kSst,
       Outcome::exited},
      {"an exponent without a point fails, with a point it reads", "1e1\n1.e1\nex\n",
       kSst + kBadChar + kSst + kAlt, Outcome::exited},
      {"2 blank 8 reads as 28, a lone point as 0", "2 8\n.\nex\n",
       kSst + kAlt + "Alt value out of range (0 to 16000 m)\n" + kAlt, Outcome::exited},
      {"only ten columns count: 12345678901 is 12345.67890", "20\n12345678901\nex\n",
       kSst + kAlt + kAir, Outcome::exited},
      {"a last line without a line end is a reply", "ex", kSst, Outcome::exited},
      {"end of input at the first prompt", "", kSst, Outcome::end_of_input},
      {"end of input at the rain prompt", "20\n1500\n10\n10\n", set_up + kWind + kRain,
       Outcome::end_of_input},
  };
  for (const Case& c : cases) {
    const Transcript r = run(c.input);
    EXPECT_EQ(r.output, c.output) << c.what;
    EXPECT_EQ(r.outcome, c.outcome) << c.what;
  }
}

TEST(Dialogue, NewSeaTemperatureRecomputesEmissivity) {
  const Transcript first = run("20\n1500\n10\n10\n5\nex\n");
  const Transcript stepped_back = run("28\nno\n20\n1500\n10\n10\n5\nex\n");
  const std::string tb = "  Tb: 112.86 114.08 114.64 115.64 117.19 118.18 K\n";
  EXPECT_NE(first.output.find(tb), std::string::npos);
  EXPECT_NE(stepped_back.output.find(tb), std::string::npos);
}

TEST(Dialogue, ReadErrorAndLostOutputStopTheRun) {
  {
    StringSource source("20\n", 1 << 16, EIO);
    StringSink sink;
    OutputBuffer out(sink);
    LineReader in(source, out);
    EXPECT_EQ(run_dialogue(in, out), Outcome::read_error);
    EXPECT_EQ(in.error(), EIO);
  }
  {
    // Output fails at once; the dialogue must stop instead of reading on.
    std::string junk;
    for (int i = 0; i < 100000; ++i) junk += "abc\n";
    StringSource source(junk, 16);
    StringSink sink(0, ENOSPC);
    OutputBuffer out(sink);
    LineReader in(source, out);
    EXPECT_EQ(run_dialogue(in, out), Outcome::write_error);
    EXPECT_EQ(out.error(), ENOSPC);
    EXPECT_LT(source.reads(), 3);
  }
}

TEST(Console, PromptIsDeliveredBeforeEachWaitButNotPerLine) {
  // Input one byte per read: every wait must be preceded by the prompt.
  {
    StringSource source("20\n", 1);
    StringSink sink;
    OutputBuffer out(sink);
    LineReader in(source, out);
    ReplyLine line;
    ReplyCode code;
    out.append(kSst);
    ASSERT_EQ(cread(in, line, code), ReadStatus::line);
    EXPECT_EQ(sink.text, kSst);
  }
  // A whole script at hand: the prompts go out together, not one write each.
  std::string script;
  for (int i = 0; i < 1000; ++i) script += "abc\n";
  script += "ex\n";
  StringSource source(script);
  StringSink sink;
  OutputBuffer out(sink);
  LineReader in(source, out);
  EXPECT_EQ(run_dialogue(in, out), Outcome::exited);
  out.flush();
  EXPECT_LT(sink.writes(), 5);
  EXPECT_EQ(sink.text.size(), 1001 * kSst.size() + 1000 * kBadChar.size());
}

TEST(Console, TextLargerThanTheBufferKeepsItsOrder) {
  StringSink sink;
  OutputBuffer out(sink);
  const std::string big(100000, 'x');
  out.append("held ");
  out.append(big);
  out.append(" after");
  EXPECT_TRUE(out.flush());
  EXPECT_EQ(sink.text, "held " + big + " after");
}

TEST(Console, LongLinesKeepTheirFirstColumnsOnly) {
  const std::string long_line = std::string(100000, '7') + "\nrest";
  StringSource source(long_line, 4096);
  StringSink sink;
  OutputBuffer out(sink);
  LineReader in(source, out);
  ReplyLine line;
  line.fill(' ');
  std::size_t kept = 0;
  ASSERT_EQ(in.read_line(line, kept), ReadStatus::line);
  EXPECT_EQ(kept, 64u);
  EXPECT_EQ(std::string(line.begin(), line.end()), std::string(64, '7'));
  line.fill(' ');
  ASSERT_EQ(in.read_line(line, kept), ReadStatus::line);
  EXPECT_EQ(std::string(line.begin(), line.begin() + 5), "rest ");
  EXPECT_EQ(in.read_line(line, kept), ReadStatus::end_of_input);
}

TEST(Cread, Classification) {
  struct Case {
    std::string reply;
    ReplyCode code;
    std::string columns;  // the first columns afterwards
  };
  const Case cases[] = {
      {"", ReplyCode::empty, "   "},
      {"      ", ReplyCode::empty, "   "},
      {"no", ReplyCode::no, "NO "},
      {"Nope", ReplyCode::no, "NOPE "},
      {"eX", ReplyCode::exit, "EX "},
      {"n", ReplyCode::value, "N  "},     // a letter first: no point appended
      {" ex", ReplyCode::value, " EX."},  // a blank first: appended point
      {"25", ReplyCode::value, "25. "},
      {"2.5e1", ReplyCode::value, "2.5E1 "},  // already has a point
      {"1e3", ReplyCode::value, "1E3. "},
      {"-3", ReplyCode::value, "-3. "},
      {"\t5", ReplyCode::value, "\t5. "},  // a tab is not blank
      {std::string("\0", 1), ReplyCode::value, std::string("\0.", 2)},
      {"\xe9t\xe9", ReplyCode::value, "\xe9T\xe9 "},  // bytes above 127 unchanged
  };
  for (const Case& c : cases) {
    ReplyLine line;
    line.fill(' ');
    std::copy(c.reply.begin(), c.reply.end(), line.begin());
    EXPECT_EQ(classify_reply(line), c.code) << c.reply;
    EXPECT_EQ(std::string(line.begin(), line.begin() + std::ptrdiff_t(c.columns.size())), c.columns)
        << c.reply;
  }
  ReplyLine full;
  full.fill('1');
  EXPECT_EQ(classify_reply(full), ReplyCode::value);  // no column 65 to put a point in
  EXPECT_EQ(full.back(), '1');
}

}  // namespace
}  // namespace tbcalc::dialogue
