#include "line_editor.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "libedit_library.hpp"

namespace tbcalc::dialogue {
namespace {

constexpr int kHistorySize = 500;       // replies remembered for Up and Down
constexpr std::size_t kMaxHeld = 4096;  // held-back text beyond this is written out

struct KeyBinding {
  const char* keys;
  const char* function;
};
constexpr KeyBinding kKeyBindings[] = {
    {"\033[D", "ed-prev-char"},    {"\033OD", "ed-prev-char"},    {"\033[C", "ed-next-char"},
    {"\033OC", "ed-next-char"},    {"\033[A", "ed-prev-history"}, {"\033OA", "ed-prev-history"},
    {"\033[B", "ed-next-history"}, {"\033OB", "ed-next-history"}, {"\033[H", "ed-move-to-beg"},
    {"\033OH", "ed-move-to-beg"},  {"\033[1~", "ed-move-to-beg"}, {"\033[7~", "ed-move-to-beg"},
    {"\033[F", "ed-move-to-end"},  {"\033OF", "ed-move-to-end"},  {"\033[4~", "ed-move-to-end"},
    {"\033[8~", "ed-move-to-end"}, {"\033[3~", "tbcalc-delete"},
};

// Writes through the last line end; keeps what follows it for the prompt.
class PromptHoldingSink final : public ByteSink {
 public:
  explicit PromptHoldingSink(int fd) : out_(fd) {}
  int write(std::span<const char> bytes) override {
    const auto last_end = std::find(bytes.rbegin(), bytes.rend(), '\n');
    const std::size_t through = std::size_t(bytes.rend() - last_end);
    if (through > 0) {
      if (int error = write_held(); error != 0) return error;
      if (int error = out_.write(bytes.first(through)); error != 0) return error;
    }
    held_.append(bytes.data() + through, bytes.size() - through);
    return held_.size() > kMaxHeld ? write_held() : 0;
  }
  // The held text, handed over to be shown as a prompt.
  std::string take_prompt() { return std::exchange(held_, {}); }
  int write_held() {
    const int error = out_.write(held_);
    held_.clear();
    return error;
  }

 private:
  console::FdSink out_;
  std::string held_;
};

class EditLineSource final : public ByteSource {
 public:
  EditLineSource(int in_fd, int out_fd, PromptHoldingSink& prompts)
      : prompts_(prompts), lib_(libedit()) {
    if (lib_ == nullptr) return;
    in_ = ::fdopen(::dup(in_fd), "r");
    out_ = ::fdopen(::dup(out_fd), "w");
    history_ = lib_->history_init();
    if (in_ == nullptr || out_ == nullptr || history_ == nullptr) return;
    editor_ = lib_->el_init("tbcalc", in_, out_, stderr);
    if (editor_ == nullptr) return;
    HistEvent event;
    lib_->history(history_, &event, H_SETSIZE, kHistorySize);
    lib_->el_set(editor_, EL_EDITOR, "emacs");
    // libedit restores the terminal before a signal such as Ctrl-C ends us.
    lib_->el_set(editor_, EL_SIGNAL, 1);
    lib_->el_set(editor_, EL_HIST, lib_->history, history_);
    lib_->el_set(editor_, EL_CLIENTDATA, this);
    lib_->el_set(editor_, EL_PROMPT, &EditLineSource::prompt);
    lib_->el_set(editor_, EL_ADDFN, "tbcalc-end-or-delete", "End of input on an empty line",
                 &EditLineSource::end_or_delete);
    lib_->el_set(editor_, EL_ADDFN, "tbcalc-delete", "Delete the next character",
                 &EditLineSource::delete_next);
    lib_->el_set(editor_, EL_BIND, "^D", "tbcalc-end-or-delete", nullptr);
    // The keys of the usual terminals, whatever TERM says: arrows, Home, End
    // and Delete in both their cursor-mode and application-mode forms.
    for (const auto& [keys, function] : kKeyBindings) {
      lib_->el_set(editor_, EL_BIND, keys, function, nullptr);
    }
  }
  ~EditLineSource() override {
    if (editor_ != nullptr) lib_->el_end(editor_);
    if (history_ != nullptr) lib_->history_end(history_);
    if (in_ != nullptr) std::fclose(in_);
    if (out_ != nullptr) std::fclose(out_);
  }

  bool ready() const { return editor_ != nullptr; }

  long read(std::span<char> into) override {
    if (editor_ == nullptr) return -long(ENOTTY);
    if (delivered_ == line_.size()) {
      prompt_ = prompts_.take_prompt();
      int count = 0;
      errno = 0;
      const char* line = lib_->el_gets(editor_, &count);
      if (line == nullptr || count <= 0) {
        // libedit reports an error as a negative count, the end as 0.
        return count < 0 ? -long(errno != 0 ? errno : EIO) : 0;
      }
      line_.assign(line, std::size_t(count));
      delivered_ = 0;
      remember(line_);
    }
    const std::size_t n = std::min(into.size(), line_.size() - delivered_);
    std::copy_n(line_.data() + delivered_, n, into.data());
    delivered_ += n;
    return long(n);
  }

 private:
  // Delete: the character under the cursor, if any; nothing else, no bell.
  static unsigned char delete_next(EditLine* editor, int) {
    const LineInfo* line = libedit()->el_line(editor);
    if (line->cursor == line->lastchar) return CC_NORM;
    libedit()->el_cursor(editor, 1);
    libedit()->el_deletestr(editor, 1);
    return CC_REFRESH;
  }

  // Ctrl-D: end of input on an empty line, as at a plain terminal and without
  // libedit's own "^D" on the screen; elsewhere the Delete key.
  static unsigned char end_or_delete(EditLine* editor, int key) {
    const LineInfo* line = libedit()->el_line(editor);
    if (line->buffer == line->lastchar) return CC_EOF;
    return delete_next(editor, key);
  }

  static char* prompt(EditLine* editor) {
    void* self = nullptr;
    libedit()->el_get(editor, EL_CLIENTDATA, &self);
    return static_cast<EditLineSource*>(self)->prompt_.data();
  }
  void remember(std::string_view line) {
    while (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (line.empty()) return;
    const std::string entry(line);
    HistEvent event;
    lib_->history(history_, &event, H_ENTER, entry.c_str());
  }

  PromptHoldingSink& prompts_;
  const LibEdit* lib_;
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
  History* history_ = nullptr;
  EditLine* editor_ = nullptr;
  std::string prompt_;
  std::string line_;
  std::size_t delivered_ = 0;
};

}  // namespace

struct TerminalConsole::State {
  State(int in_fd, int out_fd) : sink(out_fd), source(in_fd, out_fd, sink) {}
  PromptHoldingSink sink;
  EditLineSource source;
};

TerminalConsole::TerminalConsole(int in_fd, int out_fd)
    : state_(std::make_unique<State>(in_fd, out_fd)) {}
TerminalConsole::~TerminalConsole() = default;
bool TerminalConsole::ready() const { return state_->source.ready(); }
ByteSource& TerminalConsole::source() { return state_->source; }
ByteSink& TerminalConsole::sink() { return state_->sink; }
int TerminalConsole::finish() { return state_->sink.write_held(); }

}  // namespace tbcalc::dialogue
