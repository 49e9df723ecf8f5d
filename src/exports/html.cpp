// The HTML page: one self-contained XHTML-compatible document with inline
// CSS and SVG (no script, no external font or image).  Charts and the frame
// drawing are written here as SVG text.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string>

#include "exports/exports.h"

namespace exports {
namespace {

// ---- text ---------------------------------------------------------------------

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

/// A value with `decimals` decimals, as the page shows it.
std::string fixed(double value, int decimals) {
  if (!std::isfinite(value)) return number(value);
  char text[400];
  const std::to_chars_result r =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? std::string(text, r.ptr) : number(value);
}

/// A coordinate in the SVG (one decimal is finer than a pixel).
std::string px(double value) {
  return fixed(value, 1);
}

// ---- the colour scale ------------------------------------------------------------

struct Band {
  double from;
  std::string_view colour;
  std::string_view label;
};

constexpr Band kBands[] = {
    {0.0, "#2c7bb6", "below 0.2"},  {0.2, "#00a6ca", "0.2 to 0.4"},
    {0.4, "#5fbf6a", "0.4 to 0.6"}, {0.6, "#e6c229", "0.6 to 0.8"},
    {0.8, "#f28e2b", "0.8 to 1.0"}, {1.0, "#d7191c", "1.0 and above"},
};

/// Colours of the curves of the history chart.
constexpr std::string_view kSeries[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                        "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

// ---- axes --------------------------------------------------------------------------

/// A tick step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double tick_step(double range, int count) {
  if (!(range > 0) || !std::isfinite(range)) return 1.0;
  const double raw = range / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (raw <= m * power) return m * power;
  }
  return 10.0 * power;
}

struct Scale {
  double lo = 0, hi = 1;      // data range
  double from = 0, to = 100;  // pixel range
  [[nodiscard]] double at(double v) const {
    return hi > lo ? from + (v - lo) / (hi - lo) * (to - from) : (from + to) / 2;
  }
};

/// Widens [lo, hi] to whole tick steps; returns the step.
double nice_range(double& lo, double& hi, int count) {
  if (!(hi > lo)) hi = lo + 1.0;
  const double step = tick_step(hi - lo, count);
  lo = std::floor(lo / step) * step;
  hi = std::ceil(hi / step) * step;
  return step;
}

/// Decimals a tick label of step `step` needs.
int decimals_of(double step) {
  return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

/// Intervals between the ticks of `s` at `step` (at most 50).
int tick_count(const Scale& s, double step) {
  const double count = std::round((s.hi - s.lo) / step);
  return std::isfinite(count) ? static_cast<int>(std::clamp(count, 0.0, 50.0)) : 0;
}

/// Horizontal axis with ticks, labels and a title; vertical likewise.
void x_axis(std::string& svg, const Scale& x, double y, double step, const std::string& title) {
  svg += "<line class=\"axis\" x1=\"" + px(x.from) + "\" y1=\"" + px(y) + "\" x2=\"" + px(x.to) +
         "\" y2=\"" + px(y) + "\"/>\n";
  const int decimals = decimals_of(step);
  for (int i = 0; i <= tick_count(x, step); ++i) {
    const double v = x.lo + i * step;
    const double p = x.at(v);
    svg += "<line class=\"axis\" x1=\"" + px(p) + "\" y1=\"" + px(y) + "\" x2=\"" + px(p) +
           "\" y2=\"" + px(y + 5) + "\"/><text class=\"tick\" x=\"" + px(p) + "\" y=\"" +
           px(y + 18) + "\" text-anchor=\"middle\">" + fixed(v, decimals) + "</text>\n";
  }
  svg += "<text class=\"title\" x=\"" + px((x.from + x.to) / 2) + "\" y=\"" + px(y + 38) +
         "\" text-anchor=\"middle\">" + escaped(title) + "</text>\n";
}

void y_axis(std::string& svg, const Scale& y, double x, double step, const std::string& title,
            double grid_to) {
  svg += "<line class=\"axis\" x1=\"" + px(x) + "\" y1=\"" + px(y.from) + "\" x2=\"" + px(x) +
         "\" y2=\"" + px(y.to) + "\"/>\n";
  const int decimals = decimals_of(step);
  for (int i = 0; i <= tick_count(y, step); ++i) {
    const double v = y.lo + i * step;
    const double p = y.at(v);
    svg += "<line class=\"grid\" x1=\"" + px(x) + "\" y1=\"" + px(p) + "\" x2=\"" + px(grid_to) +
           "\" y2=\"" + px(p) + "\"/><text class=\"tick\" x=\"" + px(x - 8) + "\" y=\"" +
           px(p + 4) + "\" text-anchor=\"end\">" + fixed(v, decimals) + "</text>\n";
  }
  const double mid = (y.from + y.to) / 2;
  svg += "<text class=\"title\" x=\"" + px(x - 48) + "\" y=\"" + px(mid) +
         "\" text-anchor=\"middle\" transform=\"rotate(-90 " + px(x - 48) + " " + px(mid) + ")\">" +
         escaped(title) + "</text>\n";
}

std::string svg_open(double width, double height, std::string_view label) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + px(width) + "\" height=\"" +
         px(height) + "\" viewBox=\"0 0 " + px(width) + " " + px(height) +
         "\" role=\"img\" aria-label=\"" + escaped(label) + "\">\n";
}

/// The utilisation-of-1.0 limit across a chart.
std::string limit_line(double x1, double y1, double x2, double y2) {
  return "<line class=\"limit\" x1=\"" + px(x1) + "\" y1=\"" + px(y1) + "\" x2=\"" + px(x2) +
         "\" y2=\"" + px(y2) + "\"/>\n";
}

// ---- the sections ---------------------------------------------------------------

std::string end_name(const EndPeak& e) {
  return "element " + std::to_string(e.element) + " end " + std::to_string(e.end);
}

/// Bar chart of the envelope: the governing elements across the files.
std::string envelope_chart(const std::vector<HtmlReport::Envelope>& envelope) {
  std::vector<HtmlReport::Envelope> bars = envelope;
  std::stable_sort(bars.begin(), bars.end(),
                   [](const auto& a, const auto& b) { return a.utilisation > b.utilisation; });
  constexpr std::size_t kBars = 25;
  if (bars.size() > kBars) bars.resize(kBars);
  if (bars.empty()) return "<p>No element has a result.</p>\n";
  const double left = 110;
  const double top = 20;
  const double bar = 22;
  const double width = 1000;
  const double height = top + bar * static_cast<double>(bars.size()) + 60;
  Scale x{0, std::max(1.1, bars.front().utilisation * 1.05), left, width - 120};
  const double step = nice_range(x.lo, x.hi, 8);
  std::string svg = svg_open(width, height, "Governing elements across the files");
  const double bottom = top + bar * static_cast<double>(bars.size());
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const auto& b = bars[i];
    const double y = top + bar * static_cast<double>(i);
    const double u = std::max(0.0, b.utilisation);
    svg += "<rect x=\"" + px(left) + "\" y=\"" + px(y + 3) + "\" width=\"" + px(x.at(u) - left) +
           "\" height=\"" + px(bar - 6) + "\" fill=\"" + std::string(utilisation_colour(u)) +
           "\"/>\n<text class=\"tick\" x=\"" + px(left - 8) + "\" y=\"" + px(y + bar / 2 + 4) +
           "\" text-anchor=\"end\">element " + std::to_string(b.element) +
           "</text>\n<text class=\"tick\" x=\"" + px(x.at(u) + 6) + "\" y=\"" +
           px(y + bar / 2 + 4) + "\">" + fixed(b.utilisation, 3) + " (file " +
           std::to_string(b.file) + ", end " + std::to_string(b.end) + ")</text>\n";
  }
  svg += limit_line(x.at(1.0), top, x.at(1.0), bottom);
  x_axis(svg, x, bottom, step, "Highest utilisation over the files (-)");
  return svg + "</svg>\n";
}

/// Utilisation against step value for the governing ends of one file.
std::string history_chart(const FileResult& file) {
  if (file.history.empty() || file.step_values.empty()) {
    return "<p>No utilisation history was recorded.</p>\n";
  }
  const double width = 1000;
  const double height = 420;
  const double left = 80;
  const double right = width - 240;
  const double top = 20;
  const double bottom = height - 60;
  Scale x{*std::min_element(file.step_values.begin(), file.step_values.end()),
          *std::max_element(file.step_values.begin(), file.step_values.end()), left, right};
  double highest = 1.0;
  for (const EndHistory& h : file.history) {
    for (const double u : h.utilisation) {
      if (std::isfinite(u)) highest = std::max(highest, u);
    }
  }
  Scale y{0, highest * 1.05, bottom, top};
  const double x_step = nice_range(x.lo, x.hi, 8);
  const double y_step = nice_range(y.lo, y.hi, 6);
  std::string svg = svg_open(width, height, "Utilisation against step value");
  y_axis(svg, y, left, y_step, "Utilisation (-)", right);
  x_axis(svg, x, bottom, x_step, file.time_domain ? "Time (s)" : "Load level (-)");
  svg += limit_line(left, y.at(1.0), right, y.at(1.0));
  for (std::size_t i = 0; i < file.history.size(); ++i) {
    const EndHistory& h = file.history[i];
    const std::string_view colour = kSeries[i % std::size(kSeries)];
    // A step value that goes back (the next load case of a static file)
    // starts a new line.
    std::string points;
    auto flush = [&] {
      if (!points.empty()) {
        svg += "<polyline class=\"series\" stroke=\"" + std::string(colour) + "\" points=\"" +
               points + "\"/>\n";
      }
      points.clear();
    };
    for (std::size_t s = 0; s < h.utilisation.size() && s < file.step_values.size(); ++s) {
      if (!std::isfinite(h.utilisation[s])) continue;
      if (s > 0 && file.step_values[s] < file.step_values[s - 1]) flush();
      points += px(x.at(file.step_values[s])) + "," + px(y.at(h.utilisation[s])) + " ";
    }
    flush();
    const double ly = top + 18.0 * static_cast<double>(i) + 6;
    svg += "<line x1=\"" + px(right + 16) + "\" y1=\"" + px(ly) + "\" x2=\"" + px(right + 40) +
           "\" y2=\"" + px(ly) + "\" stroke=\"" + std::string(colour) +
           "\" stroke-width=\"3\"/><text class=\"tick\" x=\"" + px(right + 46) + "\" y=\"" +
           px(ly + 4) + "\">" + escaped(end_name(h.end)) + " (" + fixed(h.end.peak, 3) +
           ")</text>\n";
  }
  return svg + "</svg>\n";
}

/// One view of the frame: coordinates `a` across, `b` up.
std::string frame_view(const FrameModel& frame, int a, int b, std::string_view title,
                       double offset_x, double size) {
  std::string svg;
  double lo_a = 1e300, hi_a = -1e300, lo_b = 1e300, hi_b = -1e300;
  for (const auto& n : frame.nodes) {
    const auto ia = static_cast<std::size_t>(a);
    const auto ib = static_cast<std::size_t>(b);
    lo_a = std::min(lo_a, n[ia]);
    hi_a = std::max(hi_a, n[ia]);
    lo_b = std::min(lo_b, n[ib]);
    hi_b = std::max(hi_b, n[ib]);
  }
  if (frame.nodes.empty()) return svg;
  const double margin = 30;
  const double span = std::max({hi_a - lo_a, hi_b - lo_b, 1e-9});
  const double scale = (size - 2 * margin) / span;
  const double cx = offset_x + size / 2;
  const double cy = 30 + size / 2;
  auto to_x = [&](double v) { return cx + (v - (lo_a + hi_a) / 2) * scale; };
  auto to_y = [&](double v) { return cy - (v - (lo_b + hi_b) / 2) * scale; };
  auto node = [&](int32_t n) -> const std::array<double, 3>* {
    if (n < 1 || static_cast<std::size_t>(n) > frame.nodes.size()) return nullptr;
    return &frame.nodes[static_cast<std::size_t>(n - 1)];
  };
  const auto ia = static_cast<std::size_t>(a);
  const auto ib = static_cast<std::size_t>(b);
  svg += "<text class=\"title\" x=\"" + px(cx) + "\" y=\"20\" text-anchor=\"middle\">" +
         escaped(title) + "</text>\n";
  svg += "<rect class=\"view\" x=\"" + px(offset_x) + "\" y=\"30\" width=\"" + px(size) +
         "\" height=\"" + px(size) + "\"/>\n";
  // Tens of thousands of lines on a large frame: appended piece by piece.
  svg.reserve(svg.size() + frame.elements.size() * 80);
  auto attribute = [&svg](std::string_view name, double value) {
    svg += name;
    svg += px(value);
    svg += '"';
  };
  for (const FrameElement& e : frame.elements) {
    for (std::size_t i = 1; i < e.nodes.size(); ++i) {
      const auto* p = node(e.nodes[i - 1]);
      const auto* q = node(e.nodes[i]);
      if (p == nullptr || q == nullptr) continue;
      svg += "<line class=\"member\"";
      attribute(" x1=\"", to_x((*p)[ia]));
      attribute(" y1=\"", to_y((*p)[ib]));
      attribute(" x2=\"", to_x((*q)[ia]));
      attribute(" y2=\"", to_y((*q)[ib]));
      svg += "/>\n";
    }
  }
  // The ends, drawn lowest first so the highest lie on top; the mark sits a
  // little inside its element so the two ends at a joint stay apart.
  std::vector<const EndPeak*> ends;
  for (const EndPeak& e : frame.ends) ends.push_back(&e);
  std::stable_sort(ends.begin(), ends.end(),
                   [](const EndPeak* p, const EndPeak* q) { return p->peak < q->peak; });
  const std::size_t labelled = std::min<std::size_t>(10, ends.size());
  for (std::size_t i = 0; i < ends.size(); ++i) {
    const EndPeak& e = *ends[i];
    if (e.index < 1 || static_cast<std::size_t>(e.index) > frame.elements.size()) continue;
    const FrameElement& element = frame.elements[static_cast<std::size_t>(e.index - 1)];
    if (element.nodes.size() < 2) continue;
    const auto* p = node(element.nodes[e.end == 1 ? 0 : element.nodes.size() - 1]);
    const auto* q = node(element.nodes[e.end == 1 ? 1 : element.nodes.size() - 2]);
    if (p == nullptr || q == nullptr) continue;
    const double mx = to_x((*p)[ia] + 0.12 * ((*q)[ia] - (*p)[ia]));
    const double my = to_y((*p)[ib] + 0.12 * ((*q)[ib] - (*p)[ib]));
    svg += "<circle cx=\"" + px(mx) + "\" cy=\"" + px(my) + "\" r=\"5\" fill=\"" +
           std::string(utilisation_colour(e.peak)) + "\" class=\"end\"/>\n";
    if (i + labelled >= ends.size()) {
      svg += "<text class=\"label\" x=\"" + px(mx + 7) + "\" y=\"" + px(my - 6) + "\">" +
             std::to_string(e.element) + "</text>\n";
    }
  }
  return svg;
}

std::string frame_drawing(const FrameModel& frame) {
  if (frame.nodes.empty()) return "<p>No file was checked.</p>\n";
  const double size = 440;
  const double width = 2 * size + 200;
  const double height = size + 50;
  std::string svg = svg_open(width, height, "Frame of the last checked file");
  svg += frame_view(frame, 0, 2, "Elevation (x across, z up)", 0, size);
  svg += frame_view(frame, 0, 1, "Plan (x across, y up)", size + 20, size);
  // The legend of the colour scale.
  const double lx = 2 * size + 40;
  svg += "<text class=\"title\" x=\"" + px(lx) + "\" y=\"44\">Utilisation</text>\n";
  for (std::size_t i = 0; i < std::size(kBands); ++i) {
    const std::size_t band = std::size(kBands) - 1 - i;
    const double y = 56 + 26.0 * static_cast<double>(i);
    svg += "<rect x=\"" + px(lx) + "\" y=\"" + px(y) + "\" width=\"22\" height=\"18\" fill=\"" +
           std::string(kBands[band].colour) + "\"/><text class=\"tick\" x=\"" + px(lx + 30) +
           "\" y=\"" + px(y + 14) + "\">" + std::string(kBands[band].label) + "</text>\n";
  }
  svg += "<text class=\"tick\" x=\"" + px(lx) + "\" y=\"" + px(56 + 26.0 * 6 + 16) +
         "\">numbers: the ten highest</text>\n";
  return svg + "</svg>\n";
}

constexpr std::string_view kStyle = R"(
body { font-family: sans-serif; margin: 24px; color: #222; background: #fff; max-width: 1100px; }
h1 { font-size: 22px; } h2 { font-size: 18px; margin-top: 32px; }
table { border-collapse: collapse; margin: 8px 0; }
th, td { border: 1px solid #bbb; padding: 3px 8px; text-align: right; font-size: 13px; }
th { background: #eee; } td.name { text-align: left; }
td.over { background: #fbd5d5; color: #a00000; font-weight: bold; }
svg { display: block; margin: 8px 0; }
svg text { font-family: sans-serif; fill: #222; }
.axis { stroke: #222; stroke-width: 1; }
.grid { stroke: #ddd; stroke-width: 1; }
.limit { stroke: #d7191c; stroke-width: 1.5; stroke-dasharray: 6 4; }
.series { fill: none; stroke-width: 2; }
.member { stroke: #888; stroke-width: 1.5; }
.view { fill: #fafafa; stroke: #ccc; }
.end { stroke: #222; stroke-width: 0.5; }
.tick { font-size: 12px; } .title { font-size: 13px; font-weight: bold; }
.label { font-size: 11px; font-weight: bold; }
)";

}  // namespace

std::string_view utilisation_colour(double u) {
  std::string_view colour = kBands[0].colour;
  for (const Band& b : kBands) {
    if (u >= b.from) colour = b.colour;
  }
  return colour;
}

void HtmlReport::add(const FileResult& file) {
  FileSummary s;
  s.position = file.position;
  s.name = file.name;
  s.time_domain = file.time_domain;
  s.checked = file.checked;
  s.steps_checked = file.steps_checked;
  if (const ElementResult* g = file.governing()) {
    s.has_result = true;
    s.governing = *g;
  }
  s.ends_at_or_above_1 = file.ends_at_or_above_1();
  files_.push_back(s);

  // The envelope: per external element number the highest utilisation and
  // the first file that gives it.
  std::map<int32_t, Envelope> merged;
  for (const Envelope& e : envelope_) merged[e.element] = e;
  for (const ElementResult& r : file.elements) {
    auto [it, fresh] =
        merged.try_emplace(r.element, Envelope{r.element, r.utilisation, file.position, r.end});
    if (!fresh && r.utilisation > it->second.utilisation) {
      it->second = Envelope{r.element, r.utilisation, file.position, r.end};
    }
  }
  envelope_.clear();
  for (const auto& [number, e] : merged) envelope_.push_back(e);

  // The history chart shows the file of highest utilisation.
  if (s.has_result && (!have_chart_file_ || chart_file_.governing() == nullptr ||
                       s.governing.utilisation > chart_file_.governing()->utilisation)) {
    chart_file_ = file;
    chart_file_.ends.clear();
    have_chart_file_ = true;
  }
}

std::string HtmlReport::page(const RunInfo& run, const FrameModel& frame) const {
  int32_t checked = 0;
  for (const FileSummary& f : files_) checked += f.checked ? 1 : 0;
  const auto skipped = static_cast<int32_t>(files_.size()) - checked;

  std::string h;
  h += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n";
  h += "<meta charset=\"utf-8\"/>\n<title>VemRask pancake check</title>\n<style>";
  h += kStyle;
  h += "</style>\n</head>\n<body>\n<h1>VemRask pancake check</h1>\n";

  h += "<h2>The run</h2>\n<table>\n";
  auto info = [&](std::string_view key, const std::string& value) {
    h += "<tr><th>" + std::string(key) + "</th><td class=\"name\">" + escaped(value) +
         "</td></tr>\n";
  };
  info("Date", run.date);
  info("List file", run.list_file.empty() ? "-" : run.list_file);
  info("Steps checked", run.step_limit);
  info("Files listed", std::to_string(run.files_listed));
  info("Files checked", std::to_string(checked));
  info("Files skipped", std::to_string(skipped));
  h += "</table>\n";

  h += "<h2>Highest utilisation per file</h2>\n<table>\n<tr><th>File</th><th>Name</th>"
       "<th>Kind</th><th>Steps</th><th>Utilisation</th><th>Element</th><th>End</th>"
       "<th>Step value</th><th>Ends at or above 1.0</th><th>Status</th></tr>\n";
  for (const FileSummary& f : files_) {
    h += "<tr><td>" + std::to_string(f.position) + "</td><td class=\"name\">" + escaped(f.name) +
         "</td>";
    if (!f.checked) {
      h += "<td></td><td></td><td></td><td></td><td></td><td></td><td></td><td>skipped</td></tr>\n";
      continue;
    }
    h += std::string("<td>") + (f.time_domain ? "time" : "static") + "</td><td>" +
         std::to_string(f.steps_checked) + "</td>";
    if (f.has_result) {
      const ElementResult& g = f.governing;
      const bool over = g.utilisation >= 1.0;
      h += std::string("<td") + (over ? " class=\"over\"" : "") + ">" + fixed(g.utilisation, 3) +
           (over ? " &#9650;" : "") + "</td><td>" + std::to_string(g.element) + "</td><td>" +
           std::to_string(g.end) + "</td><td>" + fixed(g.step_value, 3) + "</td>";
    } else {
      h += "<td>-</td><td></td><td></td><td></td>";
    }
    h += std::string("<td") + (f.ends_at_or_above_1 > 0 ? " class=\"over\"" : "") + ">" +
         std::to_string(f.ends_at_or_above_1) + "</td><td>checked</td></tr>\n";
  }
  h += "</table>\n<p>Values at or above 1.0 are marked &#9650; on red.</p>\n";

  h += "<h2>Governing elements across the files</h2>\n<p>Per element the highest utilisation "
       "over all files and the file it comes from (the " +
       std::to_string(std::min<std::size_t>(25, envelope_.size())) +
       " highest); the dashed line is 1.0.</p>\n";
  h += envelope_chart(envelope_);

  h += "<h2>Utilisation history of the governing ends</h2>\n";
  if (have_chart_file_) {
    h += "<p>File " + std::to_string(chart_file_.position) + " (" + escaped(chart_file_.name) +
         "), the file of highest utilisation: its " + std::to_string(chart_file_.history.size()) +
         " governing element ends.</p>\n";
    h += history_chart(chart_file_);
  } else {
    h += "<p>No element has a result.</p>\n";
  }

  h += "<h2>The frame</h2>\n<p>Every element of the last checked file as a line, every checked "
       "end as a dot in the colour of its highest utilisation.</p>\n";
  h += frame_drawing(frame);
  h += "</body>\n</html>\n";
  return h;
}

}  // namespace exports
