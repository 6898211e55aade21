#include "templates/code_files.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "foundation/agp_vars.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/text_files.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "platform/host_ui.h"
#include "platform/xml.h"
#include "templates/ag_parser.h"
#include "templates/template_run.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace fs = std::filesystem;

namespace tolvex {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The file a path from a setting or a list names: "\" read as "/", and letter case
// ignored when the exact name does not exist.
std::optional<fs::path> existing_file(std::string_view path) {
  if (auto found = existing_template_path(path)) return fs::path(*found);
  return std::nullopt;
}

std::optional<platform::XmlDocument> load_list(std::string_view list_path) {
  const auto file = existing_file(list_path);
  if (!file) return std::nullopt;
  try {
    return platform::XmlDocument::parse_file(*file);
  } catch (const platform::XmlEntityError&) {
    throw;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The root's child elements named "file" in any letter case.
std::vector<platform::XmlNode> file_entries(const platform::XmlDocument& doc) {
  std::vector<platform::XmlNode> out;
  for (const platform::XmlNode& n : doc.root().child_elements())
    if (vb::ascii_lower(n.name()) == "file") out.push_back(n);
  return out;
}

std::string attribute_text(const platform::XmlNode& n, std::string_view name) {
  return n.attribute(name).value_or(std::string());
}

// A Boolean attribute as the script language converts texts ("True", "False", numbers);
// a missing attribute and a text that does not convert count as false.
bool attribute_flag(const platform::XmlNode& n, std::string_view name) {
  const auto text = n.attribute(name);
  if (!text) return false;
  try {
    return vb::to_bool(vb::Variant(*text));
  } catch (const std::exception&) {
    return false;
  }
}

std::string replace_all(std::string_view text, std::string_view what, std::string_view with) {
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t hit = text.find(what, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos)).append(with);
    pos = hit + what.size();
  }
  out.append(text.substr(pos));
  return out;
}

// The text without its line breaks. Files saved with LF or CR line ends lose theirs too:
// kept, they would stand between the blocks of a script file as a bare string expression.
std::string without_crlf(std::string_view text) {
  std::string out = replace_all(text, kCrLf, "");
  std::erase_if(out, [](char c) { return c == '\n' || c == '\r'; });
  return out;
}

std::string decode_script_file(const std::string& bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  return platform::ansi_to_utf8(bytes);
}

}  // namespace

std::string resolve_setting_path(std::string_view path) { return platform::resolve_application_path(path); }

std::optional<std::vector<SystemCodeEntry>> read_system_code_list(std::string_view list_path) {
  const auto doc = load_list(list_path);
  if (!doc) return std::nullopt;
  std::vector<SystemCodeEntry> out;
  for (const platform::XmlNode& n : file_entries(*doc)) {
    SystemCodeEntry e;
    e.value = attribute_text(n, "value");
    e.is_function = attribute_flag(n, "function");
    if (e.is_function) {
      e.id = common::trim_blanks(attribute_text(n, "id"));
      e.parm = common::trim_blanks(attribute_text(n, "parm"));
    }
    e.overridable = attribute_flag(n, "override");
    e.multiline = attribute_flag(n, "multiline");
    e.indent = attribute_flag(n, "indent");
    out.push_back(std::move(e));
  }
  return out;
}

std::optional<std::vector<ValidateCodeEntry>> read_validate_code_list(std::string_view list_path) {
  const auto doc = load_list(list_path);
  if (!doc) return std::nullopt;
  std::vector<ValidateCodeEntry> out;
  for (const platform::XmlNode& n : file_entries(*doc))
    out.push_back({attribute_text(n, "value"), common::trim_blanks(attribute_text(n, "id"))});
  return out;
}

std::string code_entry_path(std::string_view list_path, std::string_view value) {
  const size_t sep = list_path.find_last_of("\\/");
  if (sep == std::string_view::npos) return std::string(value);
  std::string out(list_path.substr(0, sep + 1));
  out.append(value);
  return out;
}

std::string fill_function_placeholders(std::string_view text, std::string_view id, std::string_view parm) {
  return replace_all(replace_all(text, "<name>", id), "<parm>", parm);
}

std::string system_function_head(const SystemCodeEntry& entry, std::string_view prefix) {
  std::string out(kCrLf);
  out.append("' ").append(entry.id).append(kCrLf);
  out.append("Function ").append(entry.id).append("(").append(entry.parm).append(")").append(kCrLf);
  out.append(fill_function_placeholders(prefix, entry.id, entry.parm));
  return out;
}

std::string system_function_tail(const SystemCodeEntry& entry, std::string_view suffix) {
  std::string out = fill_function_placeholders(suffix, entry.id, entry.parm);
  if (entry.overridable) {
    const std::string user = "USER_" + entry.id;
    out.append(kCrLf);
    out.append("If SCRPT.UserModuleExist(\"").append(user).append("\") Then ");
    out.append(entry.id).append("=").append(user).append("(").append(entry.id).append(")").append(kCrLf);
  }
  out.append("End Function").append(kCrLf);
  return out;
}

std::string TemplateToCode(std::string_view text, bool multiline, bool indent, std::string_view id,
                           bool* parse_failed) {
  if (parse_failed) *parse_failed = false;
  ModuleContext& ctx = context();
  const std::string before = ctx.ProjErr;
  AGParser parser;
  parser.Parse(std::string(text));
  if (ctx.ProjErr != before) {
    if (parse_failed) *parse_failed = true;
    return std::string(text);
  }
  const std::string assign = id.empty() ? std::string() : std::string(id) + " = " + std::string(id) + " & ";
  std::string out;
  for (int32_t i = 1; i <= parser.Count(); ++i) {
    parser.SetBlockID(i);
    switch (parser.BlockType()) {
      case agc_Block_Script:
        out.append(parser.BlockValue()).append(kCrLf);
        break;
      case agc_Block_Function:
        out.append(assign).append(parser.BlockName()).append(kCrLf);
        break;
      case agc_Block_FunctionIndent:
        break;
      case agc_Block_Language:
        out.append(assign)
            .append("LANG.Phrase(")
            .append(AGPVars::UnquoteString(parser.BlockName(), 1))
            .append(")")
            .append(kCrLf);
        break;
      case agc_Block_LanguageDynamic:
        out.append(assign).append("LANG.Phrase(").append(parser.BlockName()).append(")").append(kCrLf);
        break;
      case agc_Block_Content: {
        std::string value = parser.BlockValue();
        if (!multiline) value = without_crlf(value);
        if (value.empty()) break;
        out.append(assign).append(AGPVars::ToScriptStringExpr(value, indent ? "zvIndentWrk" : "")).append(kCrLf);
        break;
      }
      default:
        break;
    }
  }
  return out;
}

std::string read_script_file(std::string_view path) {
  if (const auto file = existing_file(path)) {
    try {
      return decode_script_file(platform::read_file(*file));
    } catch (const std::exception&) {
      // unreadable: announced as missing below
    }
  }
  const std::string& title = context().ProductTitle;
  host_ui().message_box(title + ": Script file " + std::string(path) + " not found! Content not loaded!", title,
                        platform::msgbox::vbOKOnly);
  return {};
}

void write_debug_file(std::string_view file_name, std::string_view text) {
  const std::string& dest = context().DestinationFolder;
  if (common::trim_blanks(dest).empty()) return;
  fs::path name(platform::normalize_separators(file_name));
  bool climbs = name.is_absolute();
  for (const fs::path& part : name)
    if (part == "..") climbs = true;
  if (climbs) name = name.filename();
  if (name.empty()) return;
  const std::string target = (fs::path(platform::normalize_separators(dest)) / name).string();
  const platform::ReplaceLinks links;  // a link planted in the destination is replaced
  (void)WriteTextFile(target, text, /*ansi=*/true);
}

}  // namespace tolvex
