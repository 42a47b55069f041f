// Writes a program's manual page from its form table and the command line's
// option table, the same tables that its --help is written from.
//
//   make_manual PROGRAM VERSION OUTPUT
#include <fstream>
#include <iostream>
#include <string_view>

#include "frame/usage.h"
#include "mulrin/form_table.h"
#include "tarvex/form_table.h"

namespace {

constexpr frame::ManualText kTarvex = {
    "cycle DFT analyser",
    "tarvex reads a periodic signal sampled into a plain text data file (one sample\n"
    "per data line, in a fixed character column) and evaluates a discrete Fourier\n"
    "transform at one angular speed over consecutive intervals of whole cycles.\n"
    "For every interval the report file gets the swing and phase of the component,\n"
    "their changes and the change as a vector, then averages, deviations and the\n"
    "pole of the interval vectors. Draw shows the path of the interval vectors in\n"
    "a polar diagram.",
    "tarvex \\\n"
    "  --choose examples/setting.ini --click load \\\n"
    "  --set subtract-file=examples/subtract.txt \\\n"
    "  --set display-interval=2 --set file-interval=5 \\\n"
    "  --set report-file=out/tarvex-report.txt \\\n"
    "  --click draw --click calc --print result \\\n"
    "  --save-drawing out/tarvex-drawing.png",
    "",
    {.exports = true, .map = false}};

constexpr frame::ManualText kMulrin = {
    "block FFT analyser",
    "mulrin reads a periodic signal sampled into a plain text data file (one sample\n"
    "per data line, in a fixed character column) and transforms blocks of 2^n\n"
    "samples laid along the series at a fixed step. For every frequency bin whose\n"
    "swing reaches a threshold the report file gets its rates and the values of\n"
    "every block. Check Data shows the count and the range of the data.",
    "mulrin \\\n"
    "  --choose examples/setting.ini --click load \\\n"
    "  --set report-file=out/mulrin-report.txt \\\n"
    "  --click check-data --print count --print range \\\n"
    "  --click calculate --save-map out/mulrin-map.png",
    "",
    {.exports = true, .map = true}};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: make_manual PROGRAM VERSION OUTPUT\n";
    return 2;
  }
  const std::string_view program = argv[1];
  const bool is_tarvex = program == "tarvex";
  if (!is_tarvex && program != "mulrin") {
    std::cerr << "make_manual: unknown program " << program << '\n';
    return 2;
  }
  frame::ManualText text = is_tarvex ? kTarvex : kMulrin;
  text.version = argv[2];
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  frame::write_manual(is_tarvex ? tarvex::kForm : mulrin::kForm, text, out);
  out.close();
  if (!out) {
    std::cerr << "make_manual: cannot write " << argv[3] << '\n';
    return 1;
  }
  return 0;
}
