// Writing the report, item by item, through the file layer.
#include "mulrin/report.h"

#include <cstdint>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "frame/constants.h"
#include "frame/numtext.h"
#include "frame/threads.h"

namespace mulrin {

namespace {

using frame::Kind;
using frame::Sep;

constexpr int kReportFile = 1;

// The per-block part of a bin line, formatted: per block ":value" then the
// angle in degrees with "dg", two pieces end to end.
struct BlockPieces {
  std::string text;
  std::vector<std::uint32_t> ends;
};

template <typename Value, typename Angle>
BlockPieces format_blocks(std::int64_t blocks, double degrees, Value value, Angle angle) {
  BlockPieces p;
  p.ends.reserve(2 * static_cast<std::size_t>(blocks));
  for (std::int64_t b = 0; b < blocks; ++b) {
    p.text += frame::pattern_form(value(b), Kind::Double, ":####.####");
    p.ends.push_back(static_cast<std::uint32_t>(p.text.size()));
    p.text += frame::pattern_form(angle(b) * degrees, Kind::Double, "####.####dg");
    p.ends.push_back(static_cast<std::uint32_t>(p.text.size()));
  }
  return p;
}

// The block pieces of the swing/phase line of bin k, or of its change line.
BlockPieces format_line(const BlockAnalysis& analysis, std::size_t k, bool changes,
                        double degrees) {
  const std::int64_t blocks = analysis.blocks();
  if (changes) {
    return format_blocks(
        blocks, degrees, [&](std::int64_t b) { return analysis.d_swing(b, k); },
        [&](std::int64_t b) { return analysis.d_phase(b, k); });
  }
  return format_blocks(
      blocks, degrees, [&](std::int64_t b) { return analysis.swing(b, k); },
      [&](std::int64_t b) { return analysis.phase(b, k); });
}

// The swing/phase line and the change line of one bin share one layout:
// mean, deviation, mean angle and its deviation in degrees, then the
// per-block pieces separated by ",", written piece by piece as they were
// formatted.
void write_bin_line(frame::FileTable& files, const BinStatistics& s, int value_q, int angle_q,
                    double degrees, const BlockPieces& pieces, frame::Where where) {
  files.write_pattern(kReportFile, "####.####", s.mean[value_q], Kind::Double, Sep::None, where);
  files.write_pattern(kReportFile, "(####.####)", s.deviation[value_q], Kind::Double, Sep::None,
                      where);
  files.write_text(kReportFile, ",", Sep::None, where);
  files.write_pattern(kReportFile, "####.####deg", s.mean[angle_q] * degrees, Kind::Double,
                      Sep::None, where);
  files.write_pattern(kReportFile, "(####.####deg)", s.deviation[angle_q] * degrees, Kind::Double,
                      Sep::None, where);
  const std::string_view text = pieces.text;
  std::uint32_t start = 0;
  for (std::size_t i = 0; i < pieces.ends.size(); i += 2) {
    const std::uint32_t middle = pieces.ends[i], end = pieces.ends[i + 1];
    files.write_text(kReportFile, text.substr(start, middle - start), Sep::None, where);
    files.write_text(kReportFile, ",", Sep::None, where);
    files.write_text(kReportFile, text.substr(middle, end - middle),
                     i + 2 < pieces.ends.size() ? Sep::None : Sep::EndOfLine, where);
    start = end;
  }
}

}  // namespace

void write_report(frame::FileTable& files, std::string_view path, const ReportSource& source,
                  const BlockAnalysis& analysis, frame::Where where) {
  frame::create_output(files, kReportFile, path, where);

  // The data column: first and last character. The first is a single as
  // typed; the last is reckoned and written as a double, like every value of
  // the report that is not held in a single.
  files.write_text(kReportFile, source.data_path, Sep::None, where);
  files.write_text(kReportFile, "(", Sep::None, where);
  files.write_number(kReportFile, source.from, Kind::Single, Sep::None, where);
  files.write_text(kReportFile, "-", Sep::None, where);
  const double last_column =
      static_cast<double>(source.from) + static_cast<double>(source.letters) - 1;
  files.write_number(kReportFile, last_column, Kind::Double, Sep::None, where);
  files.write_text(kReportFile, ")", Sep::EndOfLine, where);

  if (!source.subtract_path.empty()) {
    files.write_text(kReportFile, "  with ", Sep::None, where);
    files.write_text(kReportFile, source.subtract_path, Sep::EndOfLine, where);
  }
  files.write_text(kReportFile, "Number of data", Sep::None, where);
  files.write_number(kReportFile, static_cast<double>(source.count), Kind::Single, Sep::EndOfLine,
                     where);
  files.write_text(kReportFile, "Length of FFT", Sep::None, where);
  files.write_number(kReportFile, source.length, Kind::Single, Sep::EndOfLine, where);
  files.write_text(kReportFile, "Step for FFT-block", Sep::None, where);
  files.write_number(kReportFile, source.step, Kind::Single, Sep::EndOfLine, where);
  files.write_text(kReportFile, "--------------------------------", Sep::EndOfLine, where);

  // Heading: the time of every block, in cycles from the origin.
  const std::int64_t blocks = analysis.blocks();
  const double step = source.step;
  files.write_text(kReportFile, "Avg-Swing(St-D)/D-Swing,Avg-Phase(St-D)/D-Phase", Sep::None,
                   where);
  for (std::int64_t b = 0; b < blocks; ++b) {
    const double label = frame::checked_div(static_cast<double>(b) * step - source.origin,
                                            source.samples_per_cycle, where);
    files.write_pattern(kReportFile, ":#######.####", label, Kind::Double, Sep::None, where);
    files.write_text(kReportFile, "cycle----", b + 1 < blocks ? Sep::None : Sep::EndOfLine, where);
  }

  // The bins selected, in order. With more than one thread the change line
  // of a bin is formatted on a second one while this one formats and writes
  // its swing/phase line; the file gets the same pieces in the same order.
  const double degrees = frame::kDegreesPerRadian;
  std::vector<std::size_t> selected;
  for (std::size_t k = 0; k < analysis.bins(); ++k) {
    if (analysis.selected(k)) selected.push_back(k);
  }
  const auto policy = frame::thread_count() > 1 ? std::launch::async : std::launch::deferred;
  std::future<BlockPieces> changes;
  auto format_changes = [&](std::size_t j) {
    if (j < selected.size()) {
      changes = std::async(policy, format_line, std::cref(analysis), selected[j], true, degrees);
    }
  };
  format_changes(0);
  std::size_t j = 0;    // the next selected bin
  bool in_run = false;  // the previous bin was reported
  for (std::size_t k = 0; k < analysis.bins(); ++k) {
    if (!analysis.selected(k)) {
      if (in_run) {
        files.write_text(kReportFile, "------------------------", Sep::EndOfLine, where);
        in_run = false;
      }
      continue;
    }
    const BinStatistics& s = analysis.statistics(k);
    const double bin = static_cast<double>(k);
    const double bin_rate = frame::checked(bin * source.bin_rate_factor * degrees, where);
    const double refined_rate = frame::checked(
        (bin * source.bin_rate_factor + s.mean[kDPhase] * source.refined_rate_factor) * degrees,
        where);
    files.write_text(kReportFile, ">>>>", Sep::None, where);
    files.write_pattern(kReportFile, "######(", bin, Kind::Single, Sep::None, where);
    files.write_pattern(kReportFile, "######.####deg)", bin_rate, Kind::Double, Sep::None, where);
    files.write_text(kReportFile, "->", Sep::None, where);
    files.write_number(kReportFile, refined_rate, Kind::Double, Sep::None, where);
    files.write_text(kReportFile, "deg", Sep::EndOfLine, where);

    write_bin_line(files, s, kSwing, kPhase, degrees, format_line(analysis, k, false, degrees),
                   where);
    const BlockPieces change_pieces = changes.get();
    format_changes(++j);
    write_bin_line(files, s, kDSwing, kDPhase, degrees, change_pieces, where);
    in_run = true;
  }
  files.close({kReportFile}, where);
}

}  // namespace mulrin
