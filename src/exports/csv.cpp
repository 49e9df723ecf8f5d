// The CSV files: RFC 4180 (header row, comma separated, fields quoted where
// needed, "\n" line ends), reals in the shortest text that reads back to the
// same double, integers as integers.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
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

namespace {

// One CSV file: rows are built in a buffer and written in large pieces.
class Sink {
 public:
  Sink() = default;
  ~Sink() { close(); }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  bool open(const std::filesystem::path& path) {
    file_ = std::fopen(path.c_str(), "wb");
    return file_ != nullptr;
  }
  [[nodiscard]] bool is_open() const { return file_ != nullptr; }

  void text(std::string_view t) { buffer_.append(t); }
  void integer(int64_t value) {
    char digits[24];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, r.ptr);
  }
  void real(double value) {
    char digits[32];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, r.ptr);
  }
  // Ends a row; the buffer goes to the file once it is large.
  void end_row() {
    buffer_ += '\n';
    if (buffer_.size() >= kFlushBytes) flush();
  }
  // Writes what is buffered and closes; false when a write failed.
  bool close() {
    if (file_ == nullptr) return ok_;
    flush();
    if (std::fclose(file_) != 0) ok_ = false;
    file_ = nullptr;
    return ok_;
  }

 private:
  static constexpr std::size_t kFlushBytes = std::size_t{1} << 18U;
  void flush() {
    if (file_ != nullptr && !buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      ok_ = false;
    }
    buffer_.clear();
  }
  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool ok_ = true;
};

// A field of a row: text as it stands, an integer, or a real.  The
// constructors are implicit on purpose: a row is written as a list of values.
struct Field {
  enum class Kind : uint8_t { kText, kInteger, kReal } kind;
  std::string_view text;
  int64_t integer = 0;
  double real = 0;
  Field(std::string_view t) : kind(Kind::kText), text(t) {}
  Field(const char* t) : kind(Kind::kText), text(t) {}
  Field(const std::string& t) : kind(Kind::kText), text(t) {}
  Field(int32_t i) : kind(Kind::kInteger), integer(i) {}
  Field(double r) : kind(Kind::kReal), real(r) {}
};

// Joins the fields of one row and ends it.
void row(Sink& out, std::initializer_list<Field> fields) {
  bool first = true;
  for (const Field& f : fields) {
    if (!first) out.text(",");
    first = false;
    switch (f.kind) {
      case Field::Kind::kText:
        out.text(f.text);
        break;
      case Field::Kind::kInteger:
        out.integer(f.integer);
        break;
      case Field::Kind::kReal:
        out.real(f.real);
        break;
    }
  }
  out.end_row();
}

}  // namespace

struct CsvWriter::Files {
  Sink ends, elements, files, history;
  bool with_history = false;
  std::size_t history_ends = 0;
  std::string dir;
};

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
  auto open_one = [&](Sink& out, const char* name, const char* header) {
    if (out.open(fs::path(dir) / name)) {
      out.text(header);
      out.end_row();
    } else if (error.empty()) {
      error = "cannot write " + (fs::path(dir) / name).string();
    }
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
  const int32_t position = file.position;
  const std::string name = csv_field(file.name);
  for (const EndRow& e : file.ends) {
    row(f.ends,
        {position, name, e.element, e.end, e.d_over_t, e.thickness_ratio, e.d, e.t, e.d2, e.t2});
  }
  for (const ElementResult& e : file.elements) {
    row(f.elements, {position, name, e.element, e.end, e.utilisation, e.step, e.step_value,
                     e.global_displacement, e.load_case});
  }
  const std::string_view kind = file.time_domain ? "time" : "static";
  const std::string_view status = file.checked ? "checked" : "skipped";
  const ElementResult* g = file.governing();
  if (!file.checked) {
    row(f.files, {position, name, "", "", "", "", "", "", "", "", "", status});
  } else if (g == nullptr) {
    row(f.files, {position, name, kind, file.steps_checked, "", "", "", "", "", "",
                  file.ends_at_or_above_1(), status});
  } else {
    row(f.files,
        {position, name, kind, file.steps_checked, g->utilisation, g->element, g->end, g->step,
         g->step_value, g->global_displacement, file.ends_at_or_above_1(), status});
  }
  if (!f.with_history) return;
  for (std::size_t i = 0; i < file.history.size() && i < f.history_ends; ++i) {
    const EndHistory& h = file.history[i];
    for (std::size_t s = 0; s < h.utilisation.size(); ++s) {
      row(f.history, {position, h.end.element, h.end.end, file.steps[s], file.step_values[s],
                      file.displacements[s], h.utilisation[s]});
    }
  }
}

bool CsvWriter::close(std::string& error) {
  if (!files_) return true;
  bool ok = true;
  for (Sink* out : {&files_->ends, &files_->elements, &files_->files, &files_->history}) {
    if (!out->close()) ok = false;
  }
  if (!ok) error = "cannot write the CSV files in " + files_->dir;
  files_.reset();
  return ok;
}

}  // namespace exports
