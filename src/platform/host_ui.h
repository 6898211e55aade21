// Questions to the user: message boxes, input boxes and the engine's small modal dialogs, behind
// one interface with a non-interactive implementation, a terminal one and a scripted fake.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tolvex::platform {

// Message box flags and results, with VB's values.
namespace msgbox {
inline constexpr int32_t vbOKOnly = 0;
inline constexpr int32_t vbOKCancel = 1;
inline constexpr int32_t vbAbortRetryIgnore = 2;
inline constexpr int32_t vbYesNoCancel = 3;
inline constexpr int32_t vbYesNo = 4;
inline constexpr int32_t vbRetryCancel = 5;
inline constexpr int32_t vbCritical = 16;
inline constexpr int32_t vbQuestion = 32;
inline constexpr int32_t vbExclamation = 48;
inline constexpr int32_t vbInformation = 64;
inline constexpr int32_t vbDefaultButton1 = 0;
inline constexpr int32_t vbDefaultButton2 = 256;
inline constexpr int32_t vbDefaultButton3 = 512;

inline constexpr int32_t vbOK = 1;
inline constexpr int32_t vbCancel = 2;
inline constexpr int32_t vbAbort = 3;
inline constexpr int32_t vbRetry = 4;
inline constexpr int32_t vbIgnore = 5;
inline constexpr int32_t vbYes = 6;
inline constexpr int32_t vbNo = 7;

// The result codes of the buttons a flags value shows, left to right ({vbYes, vbNo} for vbYesNo).
std::vector<int32_t> buttons_of(int32_t flags);
// The button that is the default (vbDefaultButton1..3; the first one when out of range).
int32_t default_button_of(int32_t flags);
// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No".
std::string button_label(int32_t result);
}  // namespace msgbox

// The answer to "replace this existing file?".
enum class OverwriteAnswer { Yes, YesToAll, No, NoToAll, Cancel };
// The answer to "the database has changed: keep the project's definition or update it?".
enum class SyncAnswer { Keep, Update };

// One pair chosen in the name-mapping dialog: a name now in the database and the old name in the
// project that it replaces.
struct NameMapping {
  std::string new_name;
  std::string old_name;
  bool operator==(const NameMapping&) const = default;
};

// A pair given in advance for the name-mapping dialog: `scope` is empty for tables and views,
// else the table whose fields the pair renames.
struct ScopedNameMapping {
  std::string scope;
  NameMapping names;
};

class HostUI {
 public:
  virtual ~HostUI() = default;
  // Shows the text with the buttons and icon that `flags` chooses; the result is the code of the
  // button chosen (msgbox::vbOK, ...).
  virtual int32_t message_box(const std::string& text, const std::string& title, int32_t flags) = 0;
  // Asks for a line of text; nullopt when the user cancels.
  virtual std::optional<std::string> input_box(const std::string& prompt, const std::string& title,
                                               const std::string& default_text) = 0;
  // The output `path` exists: replace it? `question` is what the dialog says ("File ... already
  // exists!"); the path alone when it is empty.
  virtual OverwriteAnswer ask_overwrite(const std::string& path, const std::string& question = {}) = 0;
  // `summary` lists what changed in the database.
  virtual SyncAnswer ask_keep_or_update(const std::string& summary) = 0;
  // The template package differs from the files unpacked before: true keeps the unpacked files,
  // false unpacks the package again over them.
  virtual bool ask_template_version(const std::string& package, const std::string& found_version,
                                    const std::string& expected_version) = 0;
  // Pairs new names (in the database, not in the project) with old names (in the project, no
  // longer in the database). `what` says what the names are ("tables", "fields of Orders").
  // Each name appears in at most one pair; names not paired are left out.
  virtual std::vector<NameMapping> ask_name_mapping(const std::string& what,
                                                    const std::vector<std::string>& new_names,
                                                    const std::vector<std::string>& old_names) = 0;
};

// What the non-interactive user answers.
enum class OverwritePolicy { All, Skip };
struct NonInteractiveAnswers {
  // ask_overwrite: All gives YesToAll, Skip gives NoToAll.
  OverwritePolicy overwrite = OverwritePolicy::Skip;
  // ask_keep_or_update.
  SyncAnswer keep_or_update = SyncAnswer::Keep;
  // "--yes": message boxes that offer Yes answer Yes (else OK, else their default button).
  // Without it they answer No when they offer it, else their default button.
  bool assume_yes = false;
  // ask_name_mapping: the pairs of these whose names are among those offered.
  std::vector<ScopedNameMapping> names;
};

// Answers without asking: message box -> see assume_yes; input box -> the default text;
// overwrite and keep-or-update -> as configured; template version -> unpack again (what the
// dialog does when nobody chooses Keep); name mapping -> the configured pairs (names are never
// guessed). Every message box text is written to the stream (stderr by default) as
// "<title>: <text>" (the title alone when the text starts with it) so that nothing shown is lost.
class NonInteractiveUI : public HostUI {
 public:
  explicit NonInteractiveUI(NonInteractiveAnswers answers = {});
  NonInteractiveUI(NonInteractiveAnswers answers, std::ostream& messages);

  int32_t message_box(const std::string& text, const std::string& title, int32_t flags) override;
  std::optional<std::string> input_box(const std::string& prompt, const std::string& title,
                                       const std::string& default_text) override;
  OverwriteAnswer ask_overwrite(const std::string& path, const std::string& question = {}) override;
  SyncAnswer ask_keep_or_update(const std::string& summary) override;
  bool ask_template_version(const std::string& package, const std::string& found_version,
                            const std::string& expected_version) override;
  std::vector<NameMapping> ask_name_mapping(const std::string& what, const std::vector<std::string>& new_names,
                                            const std::vector<std::string>& old_names) override;

  const NonInteractiveAnswers& answers() const noexcept { return answers_; }

 private:
  NonInteractiveAnswers answers_;
  std::ostream* messages_;
};

// Asks on the controlling terminal (/dev/tty), reading one line per answer; an empty line takes
// the default, an unclear answer is asked again, end of input answers as the non-interactive
// implementation would. Overwrite prompts accept y, a (all), n, s (skip all: no to all), c; a
// Ctrl-C at an overwrite prompt cancels. Name pairs configured in the fallback answers are
// taken without asking.
class TerminalUI : public HostUI {
 public:
  // Opens /dev/tty; nullptr when there is no controlling terminal.
  static std::unique_ptr<TerminalUI> open(NonInteractiveAnswers fallback = {});
  // For tests: reads answers from `in` and writes prompts to `out`.
  TerminalUI(std::istream& in, std::ostream& out, NonInteractiveAnswers fallback = {});
  ~TerminalUI() override;

  int32_t message_box(const std::string& text, const std::string& title, int32_t flags) override;
  std::optional<std::string> input_box(const std::string& prompt, const std::string& title,
                                       const std::string& default_text) override;
  OverwriteAnswer ask_overwrite(const std::string& path, const std::string& question = {}) override;
  SyncAnswer ask_keep_or_update(const std::string& summary) override;
  bool ask_template_version(const std::string& package, const std::string& found_version,
                            const std::string& expected_version) override;
  std::vector<NameMapping> ask_name_mapping(const std::string& what, const std::vector<std::string>& new_names,
                                            const std::vector<std::string>& old_names) override;

 private:
  struct Tty;
  // One line from the user; nullopt at end of input.
  std::optional<std::string> read_answer(const std::string& prompt);
  std::unique_ptr<Tty> tty_;  // owns the /dev/tty streams when opened by open()
  std::istream* in_;
  std::ostream* out_;
  NonInteractiveUI fallback_;
};

// The UI the command uses: a TerminalUI when `interactive` and a terminal is there, else a
// NonInteractiveUI with the answers.
std::unique_ptr<HostUI> make_host_ui(bool interactive, NonInteractiveAnswers answers);

// A fake for tests: answers come from a queue, every question is recorded. When the queue is
// empty (or the next answer is of another kind than the question needs, which stays queued) the
// question is answered as NonInteractiveUI with the given answers would, without writing
// anything, and counted in unanswered().
class ScriptedUI : public HostUI {
 public:
  using Answer = std::variant<int32_t,                      // message_box
                              std::optional<std::string>,   // input_box
                              OverwriteAnswer, SyncAnswer,
                              bool,                         // ask_template_version
                              std::vector<NameMapping>>;
  struct Question {
    std::string kind;  // "message_box", "input_box", "overwrite", "keep_or_update", "template_version", "name_mapping"
    std::string text;  // text, prompt, path, summary, package or what
    std::string title; // message and input boxes: the title; template version: found version; overwrite: the question
    int32_t flags = 0; // message boxes
    // name mapping: the new names then the old names; template version: the expected version
    std::vector<std::string> names;
  };

  explicit ScriptedUI(NonInteractiveAnswers defaults = {});

  ScriptedUI& then(Answer a) { answers_.push_back(std::move(a)); return *this; }
  const std::vector<Question>& questions() const noexcept { return questions_; }
  int unanswered() const noexcept { return unanswered_; }
  size_t pending() const noexcept { return answers_.size(); }

  int32_t message_box(const std::string& text, const std::string& title, int32_t flags) override;
  std::optional<std::string> input_box(const std::string& prompt, const std::string& title,
                                       const std::string& default_text) override;
  OverwriteAnswer ask_overwrite(const std::string& path, const std::string& question = {}) override;
  SyncAnswer ask_keep_or_update(const std::string& summary) override;
  bool ask_template_version(const std::string& package, const std::string& found_version,
                            const std::string& expected_version) override;
  std::vector<NameMapping> ask_name_mapping(const std::string& what, const std::vector<std::string>& new_names,
                                            const std::vector<std::string>& old_names) override;

 private:
  template <class T>
  std::optional<T> next();
  std::deque<Answer> answers_;
  std::vector<Question> questions_;
  int unanswered_ = 0;
  NonInteractiveUI defaults_;
};

}  // namespace tolvex::platform
