#pragma once
// The terminal sink: every line the program shows goes through one of these,
// so that each output path can be captured in tests.
#include <ostream>
#include <string>
#include <string_view>

namespace mantlept {

class Terminal {
 public:
  virtual ~Terminal() = default;
  // Writes text as it stands (a prompt without a line end, for example).
  virtual void write(std::string_view text) = 0;
  // Makes everything written so far visible to the user.
  virtual void flush() {}
  // Writes one line: the text followed by a line end.
  void line(std::string_view text) {
    write(text);
    write("\n");
  }
};

// A terminal on a standard stream. When `interactive` is set, every write is
// flushed at once so that prompts and result lines appear immediately.
class StreamTerminal final : public Terminal {
 public:
  explicit StreamTerminal(std::ostream& out, bool interactive = true)
      : out_(out), interactive_(interactive) {}
  void write(std::string_view text) override {
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (interactive_) out_.flush();
  }
  void flush() override { out_.flush(); }

 private:
  std::ostream& out_;
  bool interactive_;
};

// A terminal that keeps everything in memory (tests).
class StringTerminal final : public Terminal {
 public:
  void write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

// A terminal that discards everything (repeated evaluations whose lines nobody
// reads).
class NullTerminal final : public Terminal {
 public:
  void write(std::string_view) override {}
};

}  // namespace mantlept
