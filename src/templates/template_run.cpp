#include "templates/template_run.h"

#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <limits>
#include <utility>

#include "foundation/common.h"
#include "foundation/context.h"
#include "platform/contained_path.h"
#include "platform/folders.h"
#include "templates/ag_script.h"
#include "templates/filters.h"
#include "templates/language.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace fs = std::filesystem;

namespace tolvex {

namespace {

ConditionEvaluator& condition_evaluator() {
  static ConditionEvaluator evaluator;
  return evaluator;
}

template <class T>
T& created_on_first_use(vb::Ref<vb::Dispatch>& slot) {
  if (!dynamic_cast<T*>(slot.get())) slot = vb::make_ref<T>();
  return static_cast<T&>(*slot);
}

bool stat_path(const std::string& path, struct stat& st) {
  return ::stat(platform::normalize_separators(path).c_str(), &st) == 0;
}

}  // namespace

void RaiseGenError() {
  status_window().CloseStatus();
  throw vb::VBError(-1, context().ProjErr);
}

ConditionEvaluator register_condition_evaluator(ConditionEvaluator evaluator) {
  return std::exchange(condition_evaluator(), std::move(evaluator));
}

bool evaluate_condition(AGP& project, const std::string& condition) {
  if (condition.empty()) return true;
  const ConditionEvaluator& evaluator = condition_evaluator();
  return evaluator ? evaluator(project, condition) : true;
}

AGScript* generation_engine() { return dynamic_cast<AGScript*>(context().GenerationEngine.get()); }

AGScript* parse_engine() { return dynamic_cast<AGScript*>(context().ParseEngine.get()); }

AGPLanguage& run_language() { return created_on_first_use<AGPLanguage>(context().RunLanguage); }

AGPFilter& run_filters() { return created_on_first_use<AGPFilter>(context().RunFilters); }

std::string join_path(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty()) out += '/';
  out += name;
  return out;
}

void set_current_template_folder(const std::string& ext) {
  ModuleContext& ctx = context();
  ctx.CurrentTemplateFolder = ext.empty() ? ctx.TemplateFolder : join_path(ctx.ExtensionWorkFolder, ext);
}

std::vector<std::string> split_names(std::string_view list) {
  std::vector<std::string> out;
  for (std::string_view part : vb::split(list, ",")) out.emplace_back(part);
  return out;
}

std::optional<std::string> existing_template_path(std::string_view path, bool folders) {
  const fs::path p(platform::normalize_separators(path));
  if (p.empty()) return std::nullopt;
  auto accept = [folders](const fs::path& q) {
    std::error_code ec;
    return fs::is_regular_file(q, ec) || (folders && fs::is_directory(q, ec));
  };
  if (accept(p)) return p.string();
  if (auto found = platform::find_path_nocase(p); found && accept(*found)) return found->string();
  return std::nullopt;
}

std::string find_template_path(std::string_view folder, std::string_view file) {
  if (const auto inside = platform::path_inside(folder, file))
    if (auto found = existing_template_path(*inside, /*folders=*/true)) return *found;
  status_window().CloseStatus();
  return {};
}

void RaiseOutsideTemplateFolder(std::string_view control, std::string_view name) {
  ModuleContext& ctx = context();
  ctx.ProjErr = ctx.ProductTitle + ": Control \"" + std::string(control) + "\" names \"" + std::string(name) +
                "\", which lies outside its template folder. Generation aborted!";
  RaiseGenError();
}

std::string control_file_path(std::string_view control, std::string_view folder, std::string_view name) {
  std::optional<std::string> path = platform::path_inside(folder, name);
  if (!path) RaiseOutsideTemplateFolder(control, name);
  return *path;
}

vb::Variant file_date_last_modified(const std::string& path) {
  struct stat st {};
  if (!stat_path(path, st)) return {};
  std::tm tm{};
  const std::time_t t = st.st_mtime;
  localtime_r(&t, &tm);
  const auto day = vb::make_date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return vb::Variant::date((day ? *day : 0) + vb::make_time(tm.tm_hour, tm.tm_min, tm.tm_sec));
}

vb::Variant file_size_value(const std::string& path) {
  struct stat st {};
  if (!stat_path(path, st)) return {};
  if (st.st_size <= std::numeric_limits<int32_t>::max()) return vb::Variant(int32_t(st.st_size));
  return vb::Variant(double(st.st_size));
}

}  // namespace tolvex
