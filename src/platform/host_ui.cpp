#include "platform/host_ui.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/progress.h"
#include "vb/strings.h"

namespace tolvex::platform {

// ---------------------------------------------------------------------------------------------
// Message box flags

namespace msgbox {

std::vector<int32_t> buttons_of(int32_t flags) {
  switch (flags & 7) {
    case vbOKCancel: return {vbOK, vbCancel};
    case vbAbortRetryIgnore: return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel: return {vbYes, vbNo, vbCancel};
    case vbYesNo: return {vbYes, vbNo};
    case vbRetryCancel: return {vbRetry, vbCancel};
    default: return {vbOK};
  }
}

int32_t default_button_of(int32_t flags) {
  const auto buttons = buttons_of(flags);
  const size_t index = size_t((flags >> 8) & 3);
  return index < buttons.size() ? buttons[index] : buttons.front();
}

std::string button_label(int32_t result) {
  switch (result) {
    case vbOK: return "OK";
    case vbCancel: return "Cancel";
    case vbAbort: return "Abort";
    case vbRetry: return "Retry";
    case vbIgnore: return "Ignore";
    case vbYes: return "Yes";
    case vbNo: return "No";
    default: return "?";
  }
}

}  // namespace msgbox

// ---------------------------------------------------------------------------------------------
// Non-interactive

namespace {
// The button nobody chose: Yes (else OK) when told to assume yes, else No; the default button
// when the box offers neither.
int32_t unattended_button(int32_t flags, bool assume_yes) {
  const auto buttons = msgbox::buttons_of(flags);
  const auto offers = [&](int32_t b) { return std::find(buttons.begin(), buttons.end(), b) != buttons.end(); };
  if (assume_yes) {
    if (offers(msgbox::vbYes)) return msgbox::vbYes;
    if (offers(msgbox::vbOK)) return msgbox::vbOK;
  } else if (offers(msgbox::vbNo)) {
    return msgbox::vbNo;
  }
  return msgbox::default_button_of(flags);
}

// The configured pairs for `what` ("tables", "views", "fields of Orders") whose names were offered.
std::vector<NameMapping> configured_pairs(const std::vector<ScopedNameMapping>& configured, const std::string& what,
                                          const std::vector<std::string>& new_names,
                                          const std::vector<std::string>& old_names) {
  static constexpr std::string_view kFieldsOf = "fields of ";
  const bool fields = what.starts_with(kFieldsOf);
  const std::string scope = fields ? what.substr(kFieldsOf.size()) : std::string();
  const auto offered = [](const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return vb::iequals(n, name); });
  };
  std::vector<NameMapping> pairs;
  for (const ScopedNameMapping& m : configured) {
    if (fields == m.scope.empty() || (fields && !vb::iequals(m.scope, scope))) continue;
    // The dialog hands back the names as it offered them.
    NameMapping pair;
    for (const auto& n : new_names)
      if (vb::iequals(n, m.names.new_name)) pair.new_name = n;
    for (const auto& o : old_names)
      if (vb::iequals(o, m.names.old_name)) pair.old_name = o;
    if (offered(new_names, m.names.new_name) && offered(old_names, m.names.old_name)) pairs.push_back(pair);
  }
  return pairs;
}

constexpr std::string_view kTemplateQuestion =
    "Template version in zip file is different with that in the template folder. Do you want to keep the existing "
    "files in the template folder or extract and overwrite from the zip file?";
}  // namespace

NonInteractiveUI::NonInteractiveUI(NonInteractiveAnswers answers) : NonInteractiveUI(answers, std::cerr) {}

NonInteractiveUI::NonInteractiveUI(NonInteractiveAnswers answers, std::ostream& messages)
    : answers_(answers), messages_(&messages) {}

int32_t NonInteractiveUI::message_box(const std::string& text, const std::string& title, int32_t flags) {
  const bool titled = !title.empty() && !text.starts_with(title);
  *messages_ << (titled ? title + ": " : std::string()) << text << '\n';
  messages_->flush();
  return unattended_button(flags, answers_.assume_yes);
}

std::optional<std::string> NonInteractiveUI::input_box(const std::string&, const std::string&,
                                                       const std::string& default_text) {
  return default_text;
}

OverwriteAnswer NonInteractiveUI::ask_overwrite(const std::string&, const std::string&) {
  return answers_.overwrite == OverwritePolicy::All ? OverwriteAnswer::YesToAll : OverwriteAnswer::NoToAll;
}

SyncAnswer NonInteractiveUI::ask_keep_or_update(const std::string&) { return answers_.keep_or_update; }

bool NonInteractiveUI::ask_template_version(const std::string&, const std::string&, const std::string&) {
  return false;
}

std::vector<NameMapping> NonInteractiveUI::ask_name_mapping(const std::string& what,
                                                            const std::vector<std::string>& new_names,
                                                            const std::vector<std::string>& old_names) {
  return configured_pairs(answers_.names, what, new_names, old_names);
}

std::unique_ptr<HostUI> make_host_ui(bool interactive, NonInteractiveAnswers answers) {
  if (interactive) {
    if (auto tty = TerminalUI::open(answers)) return tty;
  }
  return std::make_unique<NonInteractiveUI>(answers);
}

// ---------------------------------------------------------------------------------------------
// Terminal

struct TerminalUI::Tty {
  int in = -1;  // read with read(2) itself, which a Ctrl-C interrupts (a stream would retry)
  std::ofstream out;
  ~Tty() {
    if (in >= 0) ::close(in);
  }
};

namespace {
// The first letter of the answer, lower case; 0 for an empty answer.
char first_letter(const std::string& answer) {
  for (char c : answer) {
    if (c != ' ' && c != '\t') return vb::ascii_lower(c);
  }
  return 0;
}
// An answer without surrounding blanks (and the CR of a CR LF terminal).
std::string trim(std::string s) {
  const auto not_blank = [](unsigned char c) { return c != ' ' && c != '\t' && c != '\r'; };
  s.erase(s.begin(), std::find_if(s.begin(), s.end(), not_blank));
  s.erase(std::find_if(s.rbegin(), s.rend(), not_blank).base(), s.end());
  return s;
}
}  // namespace

std::unique_ptr<TerminalUI> TerminalUI::open(NonInteractiveAnswers fallback) {
  auto tty = std::make_unique<Tty>();
  tty->in = ::open("/dev/tty", O_RDONLY | O_CLOEXEC);
  tty->out.open("/dev/tty");
  if (tty->in < 0 || !tty->out.is_open()) return nullptr;
  // The stream is unused while the descriptor is read; it stands for the tests' stream.
  static std::istringstream unused;
  auto ui = std::make_unique<TerminalUI>(unused, tty->out, fallback);
  ui->tty_ = std::move(tty);
  return ui;
}

TerminalUI::TerminalUI(std::istream& in, std::ostream& out, NonInteractiveAnswers fallback)
    : in_(&in), out_(&out), fallback_(fallback, out) {}

TerminalUI::~TerminalUI() = default;

std::optional<std::string> TerminalUI::read_answer(const std::string& prompt) {
  *out_ << prompt;
  out_->flush();
  std::string line;
  bool got = false;
  if (tty_) {
    // One line from the terminal; end of input, an error or a Ctrl-C end it without an answer.
    char c = 0;
    ssize_t n = 0;
    while ((n = ::read(tty_->in, &c, 1)) == 1 && c != '\n') line += c;
    got = n == 1;
  } else {
    got = static_cast<bool>(std::getline(*in_, line));
  }
  if (!got) {
    *out_ << '\n';
    return std::nullopt;
  }
  return trim(line);
}

int32_t TerminalUI::message_box(const std::string& text, const std::string& title, int32_t flags) {
  const auto buttons = msgbox::buttons_of(flags);
  const int32_t default_button = msgbox::default_button_of(flags);
  *out_ << '\n' << (title.empty() ? std::string() : title + "\n") << text << '\n';
  std::string prompt = "[";
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (i) prompt += '/';
    std::string label = msgbox::button_label(buttons[i]);
    prompt += buttons[i] == default_button ? vb::ascii_upper(label) : vb::ascii_lower(label);
  }
  prompt += "] ";
  for (;;) {
    auto answer = read_answer(prompt);
    if (!answer) return fallback_.message_box(text, title, flags);
    const char c = first_letter(*answer);
    if (c == 0) return default_button;
    for (int32_t b : buttons) {
      if (vb::ascii_lower(msgbox::button_label(b)[0]) == c) return b;
    }
  }
}

std::optional<std::string> TerminalUI::input_box(const std::string& prompt, const std::string& title,
                                                 const std::string& default_text) {
  *out_ << '\n' << (title.empty() ? std::string() : title + "\n");
  auto answer = read_answer(prompt + (default_text.empty() ? std::string() : " [" + default_text + "]") + ": ");
  if (!answer) return fallback_.input_box(prompt, title, default_text);
  return answer->empty() ? default_text : *answer;
}

OverwriteAnswer TerminalUI::ask_overwrite(const std::string& path, const std::string& question) {
  *out_ << '\n' << (question.empty() ? path : question) << '\n';
  for (;;) {
    auto answer = read_answer("Overwrite it? [y]es, yes to [a]ll, [n]o, [s]kip all, [c]ancel [n]: ");
    if (!answer) return interrupt_requested() ? OverwriteAnswer::Cancel : fallback_.ask_overwrite(path, question);
    switch (first_letter(*answer)) {
      case 0: return OverwriteAnswer::No;
      case 'y': return OverwriteAnswer::Yes;
      case 'a': return OverwriteAnswer::YesToAll;
      case 'n': return OverwriteAnswer::No;
      case 's': return OverwriteAnswer::NoToAll;
      case 'c': return OverwriteAnswer::Cancel;
      default: break;
    }
  }
}

SyncAnswer TerminalUI::ask_keep_or_update(const std::string& summary) {
  *out_ << "\nThe database has changed:\n" << summary << '\n';
  for (;;) {
    auto answer = read_answer("[k]eep the project's definition or [u]pdate it from the database? ");
    if (!answer) return fallback_.ask_keep_or_update(summary);
    switch (first_letter(*answer)) {
      case 'k': return SyncAnswer::Keep;
      case 'u': return SyncAnswer::Update;
      default: break;
    }
  }
}

bool TerminalUI::ask_template_version(const std::string& package, const std::string& found_version,
                                      const std::string& expected_version) {
  *out_ << '\n' << package << '\n' << kTemplateQuestion << '\n';
  for (;;) {
    auto answer = read_answer("[k]eep the existing files or [O]verwrite them from the zip file? ");
    if (!answer) return fallback_.ask_template_version(package, found_version, expected_version);
    switch (first_letter(*answer)) {
      case 'k': return true;
      case 'o':
      case 0: return false;
      default: break;
    }
  }
}

std::vector<NameMapping> TerminalUI::ask_name_mapping(const std::string& what, const std::vector<std::string>& new_names,
                                                      const std::vector<std::string>& old_names) {
  std::vector<NameMapping> pairs = configured_pairs(fallback_.answers().names, what, new_names, old_names);
  if (!pairs.empty()) return pairs;
  std::vector<std::string> left = old_names;
  *out_ << "\nNew " << what << " in the database and old ones missing from it may be the same under a new name.\n";
  for (const auto& name : new_names) {
    if (left.empty()) break;
    *out_ << "Old names:\n";
    for (size_t i = 0; i < left.size(); ++i) *out_ << "  " << (i + 1) << ". " << left[i] << '\n';
    for (;;) {
      auto answer = read_answer("Which old name does '" + name + "' replace? (number, Enter for none) ");
      if (!answer) return pairs;
      if (answer->empty()) break;
      size_t n = 0;
      bool digits = std::all_of(answer->begin(), answer->end(), [](char c) { return c >= '0' && c <= '9'; });
      if (digits && answer->size() < 6) n = size_t(std::stoul(*answer));
      if (n >= 1 && n <= left.size()) {
        pairs.push_back({name, left[n - 1]});
        left.erase(left.begin() + std::ptrdiff_t(n - 1));
        break;
      }
    }
  }
  return pairs;
}

// ---------------------------------------------------------------------------------------------
// Scripted fake

ScriptedUI::ScriptedUI(NonInteractiveAnswers defaults) : defaults_(defaults, std::clog) {}

template <class T>
std::optional<T> ScriptedUI::next() {
  if (!answers_.empty() && std::holds_alternative<T>(answers_.front())) {
    T value = std::get<T>(std::move(answers_.front()));
    answers_.pop_front();
    return value;
  }
  ++unanswered_;
  return std::nullopt;
}

int32_t ScriptedUI::message_box(const std::string& text, const std::string& title, int32_t flags) {
  questions_.push_back({"message_box", text, title, flags, {}});
  if (auto a = next<int32_t>()) return *a;
  return unattended_button(flags, defaults_.answers().assume_yes);
}

std::optional<std::string> ScriptedUI::input_box(const std::string& prompt, const std::string& title,
                                                 const std::string& default_text) {
  questions_.push_back({"input_box", prompt, title, 0, {}});
  if (auto a = next<std::optional<std::string>>()) return *a;
  return defaults_.input_box(prompt, title, default_text);
}

OverwriteAnswer ScriptedUI::ask_overwrite(const std::string& path, const std::string& question) {
  questions_.push_back({"overwrite", path, question, 0, {}});
  if (auto a = next<OverwriteAnswer>()) return *a;
  return defaults_.ask_overwrite(path, question);
}

SyncAnswer ScriptedUI::ask_keep_or_update(const std::string& summary) {
  questions_.push_back({"keep_or_update", summary, {}, 0, {}});
  if (auto a = next<SyncAnswer>()) return *a;
  return defaults_.ask_keep_or_update(summary);
}

bool ScriptedUI::ask_template_version(const std::string& package, const std::string& found_version,
                                      const std::string& expected_version) {
  questions_.push_back({"template_version", package, found_version, 0, {expected_version}});
  if (auto a = next<bool>()) return *a;
  return defaults_.ask_template_version(package, found_version, expected_version);
}

std::vector<NameMapping> ScriptedUI::ask_name_mapping(const std::string& what, const std::vector<std::string>& new_names,
                                                      const std::vector<std::string>& old_names) {
  Question q{"name_mapping", what, {}, 0, new_names};
  q.names.insert(q.names.end(), old_names.begin(), old_names.end());
  questions_.push_back(std::move(q));
  if (auto a = next<std::vector<NameMapping>>()) return *a;
  return defaults_.ask_name_mapping(what, new_names, old_names);
}

}  // namespace tolvex::platform
