// The CSV files: RFC 4180 (header row, comma separated, fields quoted where
// needed, "\n" line ends), reals in the shortest text that reads back to the
// same double, integers as integers.
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "exports/exports.h"

namespace exports {

std::string number(double value) {
  char text[32];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

std::string csv_field(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

struct CsvWriter::Files {
  std::ofstream ends, elements, files, history;
  bool with_history = false;
  std::size_t history_ends = 0;
  std::string dir;
};

namespace {

// Joins the fields of one row and ends it.
template <class... Fields>
void row(std::ofstream& out, const Fields&... fields) {
  bool first = true;
  ((out << (first ? "" : ",") << fields, first = false), ...);
  out << '\n';
}

std::string integer(int64_t value) {
  return std::to_string(value);
}

}  // namespace

bool CsvWriter::open(const std::string& dir, int history, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir)) {
    error = "cannot create the folder " + dir;
    return false;
  }
  auto files = std::make_shared<Files>();
  files->with_history = history >= 0;
  files->history_ends = history >= 0 ? static_cast<std::size_t>(history) : 0;
  files->dir = dir;
  auto open_one = [&](std::ofstream& out, const char* name, const char* header) {
    out.open(fs::path(dir) / name, std::ios::binary | std::ios::trunc);
    if (out) out << header << '\n';
    if (!out && error.empty()) error = "cannot write " + (fs::path(dir) / name).string();
  };
  open_one(files->ends, "ends.csv",
           "file,file_name,element,end,d_over_t,thickness_ratio,d,t,d2,t2");
  open_one(files->elements, "elements.csv",
           "file,file_name,element,end,utilisation,step,step_value,global_displacement,load_case");
  open_one(files->files, "files.csv",
           "file,file_name,kind,steps_checked,utilisation,element,end,step,step_value,"
           "global_displacement,ends_at_or_above_1,status");
  if (history >= 0) {
    open_one(files->history, "history.csv",
             "file,element,end,step,step_value,global_displacement,utilisation");
  }
  if (!error.empty()) return false;
  files_ = std::move(files);
  return true;
}

void CsvWriter::add(const FileResult& file) {
  if (!files_) return;
  Files& f = *files_;
  const std::string position = integer(file.position);
  const std::string name = csv_field(file.name);
  for (const EndRow& e : file.ends) {
    row(f.ends, position, name, integer(e.element), integer(e.end), number(e.d_over_t),
        number(e.thickness_ratio), number(e.d), number(e.t), number(e.d2), number(e.t2));
  }
  for (const ElementResult& e : file.elements) {
    row(f.elements, position, name, integer(e.element), integer(e.end), number(e.utilisation),
        integer(e.step), number(e.step_value), number(e.global_displacement), integer(e.load_case));
  }
  const std::string kind = file.time_domain ? "time" : "static";
  const std::string status = file.checked ? "checked" : "skipped";
  const ElementResult* g = file.governing();
  if (!file.checked) {
    row(f.files, position, name, "", "", "", "", "", "", "", "", "", status);
  } else if (g == nullptr) {
    row(f.files, position, name, kind, integer(file.steps_checked), "", "", "", "", "", "",
        integer(file.ends_at_or_above_1()), status);
  } else {
    row(f.files, position, name, kind, integer(file.steps_checked), number(g->utilisation),
        integer(g->element), integer(g->end), integer(g->step), number(g->step_value),
        number(g->global_displacement), integer(file.ends_at_or_above_1()), status);
  }
  if (!f.with_history) return;
  for (std::size_t i = 0; i < file.history.size() && i < f.history_ends; ++i) {
    const EndHistory& h = file.history[i];
    const std::string prefix =
        position + "," + integer(h.end.element) + "," + integer(h.end.end) + ",";
    for (std::size_t s = 0; s < h.utilisation.size(); ++s) {
      f.history << prefix << file.steps[s] << ',' << number(file.step_values[s]) << ','
                << number(file.displacements[s]) << ',' << number(h.utilisation[s]) << '\n';
    }
  }
}

bool CsvWriter::close(std::string& error) {
  if (!files_) return true;
  bool ok = true;
  for (std::ofstream* out : {&files_->ends, &files_->elements, &files_->files, &files_->history}) {
    if (!out->is_open()) continue;
    out->close();
    if (out->fail()) ok = false;
  }
  if (!ok) error = "cannot write the CSV files in " + files_->dir;
  files_.reset();
  return ok;
}

}  // namespace exports
