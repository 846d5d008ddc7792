#include "table.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace mirvo::bench {
namespace {

// How a row's figures are judged.
enum class Judge {
  None,            // reported only
  RatioAtMost,     // median A / median B <= limit
  InverseAtLeast,  // median B / median A >= limit (a rate: A and B are durations)
  MaxAtMost,       // every sample of A <= limit
};

struct Row {
  const char* metric;
  const char* label;
  const char* a;
  const char* b;  // empty: no reference
  Judge judge;
  double limit;
  int decimals;
};

constexpr Row kRows[] = {
    {"startup_ms", "start-up: exec to window mapped (ms)", "mirvo", "bare", Judge::RatioAtMost,
     1.25, 1},
    {"startup_ms", "  same, against Latin captions", "mirvo", "bare-latin", Judge::None, 0, 1},
    {"paint_ms", "start-up: exec to first paint (ms)", "mirvo", "bare", Judge::None, 0, 1},
    {"paint_ms", "  same, against Latin captions", "mirvo", "bare-latin", Judge::None, 0, 1},
    {"hwm_mb", "peak RSS, window shown + 1 s idle (MB)", "mirvo", "bare", Judge::RatioAtMost, 1.25,
     1},
    {"hwm_mb", "  same, against Latin captions", "mirvo", "bare-latin", Judge::None, 0, 1},
    {"hwm_mb", "peak RSS, server window + tray icon (MB)", "mirvo-server", "", Judge::None, 0, 1},
    {"idle_ticks", "CPU idle in the tray 10 s (ticks)", "mirvo-tray", "", Judge::MaxAtMost, 0, 0},
    {"idle_ticks", "  same, daemon running", "mirvo-tray-daemon", "", Judge::MaxAtMost, 0, 0},
    {"idle_ticks", "  client window, after a transfer", "mirvo-client-tray", "", Judge::MaxAtMost,
     0, 0},
    {"idle_ticks", "  client window, schedule armed", "mirvo-client-armed", "", Judge::MaxAtMost, 0,
     0},
    // A timer left running once a second wakes the program about ten times in 10 s, yet costs
    // less than a tick: only the wakeups show it. A running daemon and an armed schedule are told
    // by events and by the schedule's own timer, so nothing wakes the program meanwhile.
    {"idle_wakeups", "wakeups idle in the tray 10 s", "mirvo-tray", "", Judge::None, 0, 0},
    {"idle_wakeups", "  same, daemon running", "mirvo-tray-daemon", "", Judge::MaxAtMost, 0, 0},
    {"idle_wakeups", "  client window, after a transfer", "mirvo-client-tray", "", Judge::MaxAtMost,
     5, 0},
    {"idle_wakeups", "  client window, schedule armed", "mirvo-client-armed", "", Judge::MaxAtMost,
     0, 0},
    {"click_ms", "click 启动服务 to daemon accepting (ms)", "mirvo", "rsync-daemon", Judge::None, 0,
     1},
    {"pull_ms", "pull of the data folder (ms)", "mirvo", "rsync", Judge::InverseAtLeast, 0.98, 0},
    {"pull_mbps", "  as a rate (MB/s)", "mirvo", "rsync", Judge::None, 0, 1},
    {"exe_mb", "Windows mirvo.exe (MB)", "windows", "", Judge::MaxAtMost, 3.0, 2},
};

std::optional<Summary> Of(const Samples& samples, const char* metric, const char* variant) {
  const auto m = samples.byMetric.find(metric);
  if (m == samples.byMetric.end()) return std::nullopt;
  const auto v = m->second.find(variant);
  if (v == m->second.end()) return std::nullopt;
  return Summarize(v->second);
}

std::string Triple(const std::optional<Summary>& s, int decimals) {
  if (!s) return "-";
  return Figure(s->min, decimals) + " / " + Figure(s->median, decimals) + " / " +
         Figure(s->max, decimals) + " (n=" + std::to_string(s->count) + ")";
}

}  // namespace

Table RenderTable(const Samples& samples) {
  Table table;
  char line[512];
  std::snprintf(line, sizeof line, "%-44s %-34s %-34s %-14s %s\n", "measurement",
                "A: min / median / max", "B (reference): min / median / max", "ratio", "target");
  table.text += line;
  for (const Row& row : kRows) {
    const std::optional<Summary> a = Of(samples, row.metric, row.a);
    const std::optional<Summary> b = *row.b ? Of(samples, row.metric, row.b) : std::nullopt;
    if (!a && !b) continue;
    std::string ratio = "-", target = "", verdict = "";
    if (a && b && b->median != 0 && a->median != 0) {
      const double r =
          row.judge == Judge::InverseAtLeast ? b->median / a->median : a->median / b->median;
      ratio = Figure(r, 3) + (row.judge == Judge::InverseAtLeast ? " (B/A)" : " (A/B)");
      if (row.judge == Judge::RatioAtMost || row.judge == Judge::InverseAtLeast) {
        const bool held = row.judge == Judge::RatioAtMost ? r <= row.limit : r >= row.limit;
        target = (row.judge == Judge::RatioAtMost ? "<= " : ">= ") + Figure(row.limit, 2);
        verdict = held ? " ok" : " MISSED";
        table.allTargetsHeld = table.allTargetsHeld && held;
      }
    }
    if (row.judge == Judge::MaxAtMost && a) {
      const bool held = a->max <= row.limit;
      target = "max <= " + Figure(row.limit, row.decimals);
      verdict = held ? " ok" : " MISSED";
      table.allTargetsHeld = table.allTargetsHeld && held;
    }
    const std::string aName = std::string(row.a) + ": " + Triple(a, row.decimals);
    const std::string bName = *row.b ? std::string(row.b) + ": " + Triple(b, row.decimals) : "";
    std::snprintf(line, sizeof line, "%-44s %-34s %-34s %-14s %s%s\n", row.label, aName.c_str(),
                  bName.c_str(), ratio.c_str(), target.c_str(), verdict.c_str());
    table.text += line;
  }
  if (samples.skippedLines > 0) {
    table.text += "(" + std::to_string(samples.skippedLines) + " malformed result lines skipped)\n";
  }
  return table;
}

}  // namespace mirvo::bench
