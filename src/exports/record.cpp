// The byte form of a file's share of the outputs (layout in record.h).
#include "exports/record.h"

#include "layout/little_endian.h"

#include <bit>
#include <cstdint>
#include <utility>

namespace exports {
namespace {

constexpr uint8_t kChecked = 1;
constexpr uint8_t kTimeDomain = 2;
constexpr uint8_t kHistoryFailed = 4;

// Byte sizes of the fixed records, for checking a count before it is used.
constexpr uint64_t kEndRowBytes = 2 * 4 + 6 * 8;
constexpr uint64_t kElementBytes = 3 * 4 + 8 + 4 + 2 * 8 + 4;
constexpr uint64_t kPeakBytes = 3 * 4 + 8;
constexpr uint64_t kNodeBytes = uint64_t{3} * 8;
constexpr uint64_t kFrameElementBytes = 4 + 8;

class Writer : public layout::FieldWriter {
 public:
  void count(std::size_t n) { u8(n); }
  void peak(const EndPeak& p) {
    i4(p.index);
    i4(p.element);
    i4(p.end);
    r8(p.peak);
  }
  void reals(const std::vector<double>& values) {
    count(values.size());
    for (const double v : values) r8(v);
  }
  void ints(const std::vector<int32_t>& values) {
    count(values.size());
    for (const int32_t v : values) i4(v);
  }
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : in_(bytes) {}

  bool u1(uint8_t& v) {
    if (!have(1)) return false;
    v = static_cast<uint8_t>(in_[at_++]);
    return true;
  }
  bool u8(uint64_t& v) {
    if (!have(8)) return false;
    v = layout::get_le(in_.substr(at_), 8);
    at_ += 8;
    return true;
  }
  bool i4(int32_t& v) {
    if (!have(4)) return false;
    v = static_cast<int32_t>(static_cast<uint32_t>(layout::get_le(in_.substr(at_), 4)));
    at_ += 4;
    return true;
  }
  bool r8(double& v) {
    uint64_t u = 0;
    if (!u8(u)) return false;
    v = std::bit_cast<double>(u);
    return true;
  }
  /// A count of items of at least `item_bytes` each that the bytes left
  /// can hold.
  bool count(std::size_t& n, uint64_t item_bytes, const char* what) {
    uint64_t v = 0;
    if (!u8(v)) return false;
    if (v > (in_.size() - at_) / item_bytes) {
      return fail(std::string("the count of ") + what + " runs past the end");
    }
    n = static_cast<std::size_t>(v);
    return true;
  }
  bool text(std::string& s, const char* what) {
    std::size_t n = 0;
    if (!count(n, 1, what)) return false;
    s.assign(in_.substr(at_, n));
    at_ += n;
    return true;
  }
  bool peak(EndPeak& p) { return i4(p.index) && i4(p.element) && i4(p.end) && r8(p.peak); }
  bool reals(std::vector<double>& values, const char* what) {
    std::size_t n = 0;
    if (!count(n, 8, what)) return false;
    values.resize(n);
    for (double& v : values) r8(v);
    return true;
  }
  bool ints(std::vector<int32_t>& values, const char* what) {
    std::size_t n = 0;
    if (!count(n, 4, what)) return false;
    values.resize(n);
    for (int32_t& v : values) i4(v);
    return true;
  }
  /// True when every byte was read; else the reason is set.
  bool finish(std::string& error) {
    if (error_.empty() && at_ != in_.size()) error_ = "bytes are left over after the data";
    error = error_;
    return error_.empty();
  }

 private:
  bool have(std::size_t n) {
    if (!error_.empty()) return false;
    if (in_.size() - at_ >= n) return true;
    return fail("the data end early");
  }
  bool fail(std::string reason) {
    if (error_.empty()) error_ = std::move(reason);
    return false;
  }
  std::string_view in_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace

std::string encode(const Contribution& contribution) {
  const FileResult& f = contribution.file;
  Writer w;
  w.u1(static_cast<uint8_t>((f.checked ? kChecked : 0) | (f.time_domain ? kTimeDomain : 0) |
                            (contribution.history_failed ? kHistoryFailed : 0)));
  w.i4(f.position);
  w.text(f.name);
  w.i4(f.steps_checked);
  w.count(f.ends.size());
  for (const EndRow& e : f.ends) {
    w.i4(e.element);
    w.i4(e.end);
    for (const double v : {e.d_over_t, e.thickness_ratio, e.d, e.t, e.d2, e.t2}) w.r8(v);
  }
  w.count(f.elements.size());
  for (const ElementResult& e : f.elements) {
    w.i4(e.index);
    w.i4(e.element);
    w.i4(e.end);
    w.r8(e.utilisation);
    w.i4(e.step);
    w.r8(e.step_value);
    w.r8(e.global_displacement);
    w.i4(e.load_case);
  }
  w.count(f.checked_ends.size());
  for (const EndPeak& p : f.checked_ends) w.peak(p);
  w.ints(f.steps);
  w.reals(f.step_values);
  w.reals(f.displacements);
  w.count(f.history.size());
  for (const EndHistory& h : f.history) {
    w.peak(h.end);
    w.reals(h.utilisation);
  }
  return w.take();
}

bool decode(std::string_view bytes, Contribution& contribution, std::string& error) {
  contribution = Contribution{};
  FileResult& f = contribution.file;
  Reader r(bytes);
  uint8_t flags = 0;
  std::size_t n = 0;
  if (r.u1(flags) && r.i4(f.position) && r.text(f.name, "name bytes") && r.i4(f.steps_checked) &&
      r.count(n, kEndRowBytes, "ends rows")) {
    f.checked = (flags & kChecked) != 0;
    f.time_domain = (flags & kTimeDomain) != 0;
    contribution.history_failed = (flags & kHistoryFailed) != 0;
    f.ends.resize(n);
    for (EndRow& e : f.ends) {
      r.i4(e.element);
      r.i4(e.end);
      for (double* v : {&e.d_over_t, &e.thickness_ratio, &e.d, &e.t, &e.d2, &e.t2}) r.r8(*v);
    }
  }
  if (r.count(n, kElementBytes, "element results")) {
    f.elements.resize(n);
    for (ElementResult& e : f.elements) {
      r.i4(e.index);
      r.i4(e.element);
      r.i4(e.end);
      r.r8(e.utilisation);
      r.i4(e.step);
      r.r8(e.step_value);
      r.r8(e.global_displacement);
      r.i4(e.load_case);
    }
  }
  if (r.count(n, kPeakBytes, "checked ends")) {
    f.checked_ends.resize(n);
    for (EndPeak& p : f.checked_ends) r.peak(p);
  }
  if (r.ints(f.steps, "steps") && r.reals(f.step_values, "step values") &&
      r.reals(f.displacements, "displacements") && r.count(n, kPeakBytes + 8, "histories")) {
    f.history.resize(n);
    for (EndHistory& h : f.history) {
      if (!r.peak(h.end) || !r.reals(h.utilisation, "history values")) break;
    }
  }
  if (!r.finish(error)) {
    error.insert(0, "export data: ");
    return false;
  }
  return true;
}

std::string encode(const FrameModel& frame) {
  Writer w;
  w.count(frame.nodes.size());
  for (const auto& node : frame.nodes) {
    for (const double v : node) w.r8(v);
  }
  w.count(frame.elements.size());
  for (const FrameElement& e : frame.elements) {
    w.i4(e.element);
    w.ints(e.nodes);
  }
  w.count(frame.ends.size());
  for (const EndPeak& p : frame.ends) w.peak(p);
  return w.take();
}

bool decode(std::string_view bytes, FrameModel& frame, std::string& error) {
  frame = FrameModel{};
  Reader r(bytes);
  std::size_t n = 0;
  if (r.count(n, kNodeBytes, "nodes")) {
    frame.nodes.resize(n);
    for (auto& node : frame.nodes) {
      for (double& v : node) r.r8(v);
    }
  }
  if (r.count(n, kFrameElementBytes, "elements")) {
    frame.elements.resize(n);
    for (FrameElement& e : frame.elements) {
      if (!r.i4(e.element) || !r.ints(e.nodes, "element nodes")) break;
    }
  }
  if (r.count(n, kPeakBytes, "checked ends")) {
    frame.ends.resize(n);
    for (EndPeak& p : frame.ends) r.peak(p);
  }
  if (!r.finish(error)) {
    error.insert(0, "frame data: ");
    return false;
  }
  return true;
}

}  // namespace exports
