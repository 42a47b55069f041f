// Writing the report, item by item, through the file layer.
#include "mulrin/report.h"

#include <cstdint>
#include <functional>
#include <future>
#include <string>
#include <system_error>
#include <vector>

#include "frame/constants.h"
#include "frame/numtext.h"
#include "frame/threads.h"

namespace mulrin {

namespace {

using frame::Kind;
using frame::Sep;

constexpr int kReportFile = 1;

// Blocks read ahead along a bin.
constexpr std::int64_t kAhead = 8;

// The per-block part of a bin line: per block ":value", "," and the angle in
// degrees with "dg"; the last block ends the line.
template <typename Value, typename Angle>
void write_blocks(frame::FileTable& files, const BlockAnalysis& analysis, std::size_t k,
                  double degrees, Value value, Angle angle, frame::Where where) {
  const std::int64_t blocks = analysis.blocks();
  for (std::int64_t b = 0; b < blocks; ++b) {
    analysis.prefetch(b + kAhead, k);
    files.write_pattern(kReportFile, ":####.####", value(b), Kind::Double, Sep::None, where);
    files.write_text(kReportFile, ",", Sep::None, where);
    files.write_pattern(kReportFile, "####.####dg", angle(b) * degrees, Kind::Double,
                        b + 1 < blocks ? Sep::None : Sep::EndOfLine, where);
  }
}

// The same pieces formatted ahead (on another thread), end to end, to be
// written later with the same calls in the same order.
struct BlockPieces {
  std::string text;
  std::vector<std::size_t> ends;  // of every ":value" and every angle piece
};

BlockPieces format_changes(const BlockAnalysis& analysis, std::size_t k, double degrees) {
  BlockPieces p;
  const std::int64_t blocks = analysis.blocks();
  // Room for the whole line at once (21 characters a block unless a value
  // overflows its field): growing it piece by piece copied it again and
  // again, each time into fresh pages.
  p.ends.reserve(2 * static_cast<std::size_t>(blocks));
  p.text.reserve(24 * static_cast<std::size_t>(blocks));
  for (std::int64_t b = 0; b < blocks; ++b) {
    analysis.prefetch(b + kAhead, k);
    p.text += frame::pattern_form(analysis.d_swing(b, k), Kind::Double, ":####.####");
    p.ends.push_back(p.text.size());
    p.text += frame::pattern_form(analysis.d_phase(b, k) * degrees, Kind::Double, "####.####dg");
    p.ends.push_back(p.text.size());
  }
  return p;
}

void write_pieces(frame::FileTable& files, const BlockPieces& pieces, frame::Where where) {
  const std::string_view text = pieces.text;
  std::size_t start = 0;
  for (std::size_t i = 0; i < pieces.ends.size(); i += 2) {
    const std::size_t middle = pieces.ends[i], end = pieces.ends[i + 1];
    files.write_text(kReportFile, text.substr(start, middle - start), Sep::None, where);
    files.write_text(kReportFile, ",", Sep::None, where);
    files.write_text(kReportFile, text.substr(middle, end - middle),
                     i + 2 < pieces.ends.size() ? Sep::None : Sep::EndOfLine, where);
    start = end;
  }
}

// The swing/phase line and the change line of one bin share one layout:
// mean, deviation, mean angle and its deviation in degrees, then the
// per-block part, which `write_blocks_part` writes.
template <typename WriteBlocks>
void write_bin_line(frame::FileTable& files, const BinStatistics& s, int value_q, int angle_q,
                    double degrees, WriteBlocks write_blocks_part, frame::Where where) {
  files.write_pattern(kReportFile, "####.####", s.mean[value_q], Kind::Double, Sep::None, where);
  files.write_pattern(kReportFile, "(####.####)", s.deviation[value_q], Kind::Double, Sep::None,
                      where);
  files.write_text(kReportFile, ",", Sep::None, where);
  files.write_pattern(kReportFile, "####.####deg", s.mean[angle_q] * degrees, Kind::Double,
                      Sep::None, where);
  files.write_pattern(kReportFile, "(####.####deg)", s.deviation[angle_q] * degrees, Kind::Double,
                      Sep::None, where);
  write_blocks_part();
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
  const bool ahead = frame::thread_count() > 1;
  std::future<BlockPieces> changes;
  auto changes_ahead = [&](std::size_t j) {
    if (!ahead || j >= selected.size()) return;
    try {
      changes =
          std::async(std::launch::async, format_changes, std::cref(analysis), selected[j], degrees);
    } catch (const std::system_error&) {  // no thread to be had: formatted when due
      changes = std::async(std::launch::deferred, format_changes, std::cref(analysis), selected[j],
                           degrees);
    }
  };
  changes_ahead(0);
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

    // A line whose blocks are formatted as they are written.
    auto write_line = [&](int value_q, int angle_q, auto value, auto angle) {
      write_bin_line(
          files, s, value_q, angle_q, degrees,
          [&] { write_blocks(files, analysis, k, degrees, value, angle, where); }, where);
    };
    write_line(
        kSwing, kPhase, [&](std::int64_t b) { return analysis.swing(b, k); },
        [&](std::int64_t b) { return analysis.phase(b, k); });
    if (ahead) {
      const BlockPieces pieces = changes.get();
      changes_ahead(++j);
      write_bin_line(
          files, s, kDSwing, kDPhase, degrees, [&] { write_pieces(files, pieces, where); }, where);
    } else {
      write_line(
          kDSwing, kDPhase, [&](std::int64_t b) { return analysis.d_swing(b, k); },
          [&](std::int64_t b) { return analysis.d_phase(b, k); });
    }
    in_run = true;
  }
  files.close({kReportFile}, where);
}

}  // namespace mulrin
