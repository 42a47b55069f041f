#include "mulrin/form_table.h"

namespace mulrin {

namespace {
constexpr auto kEdit = frame::ControlKind::Edit;
constexpr auto kText = frame::ControlKind::Static;
constexpr auto kButton = frame::ControlKind::Button;
}  // namespace

// name, kind, initial text, x, y, w, h, max typed length, digits only, alias.
// From top to bottom: comment mark with LOAD and SAVE; the data column; the
// data file; the subtract file; Check Data with the count and range displays;
// FFT length; block step; samples per cycle with the resolution display;
// origin; threshold with Calculate; report file.
const std::array<frame::ControlDesc, kControlCount> kControls = {{
    {"EDIT1", kEdit, "", 121, 43, 49, 26, 4, true, "from"},
    {"EDIT2", kEdit, "", 310, 43, 49, 26, 4, true, "letters"},
    {"TEXT1", kText, "Datum:From", 9, 43, 103, 22, 0, false, "label-from"},
    {"TEXT2", kText, "-th collumn,", 181, 43, 118, 22, 0, false, "label-column"},
    {"TEXT3", kText, "letters", 370, 43, 78, 22, 0, false, "label-letters"},
    {"TEXT4", kText, "Mark of Comment line", 9, 9, 198, 22, 0, false, "label-mark"},
    {"EDIT3", kEdit, "", 215, 9, 49, 26, 4, false, "comment-mark"},
    {"TEXT5", kText, "Data File", 9, 78, 92, 22, 0, false, "label-data-file"},
    {"EDIT4", kEdit, "", 103, 78, 336, 27, 255, false, "data-file"},
    {"BUTTON1", kButton, "LOAD", 379, 9, 60, 26, 0, false, "load", frame::ButtonDialog::Open},
    {"BUTTON2", kButton, "SAVE", 448, 9, 60, 26, 0, false, "save", frame::ButtonDialog::Save},
    {"BUTTON3", kButton, "Refer", 448, 78, 60, 26, 0, false, "refer-data",
     frame::ButtonDialog::Open},
    {"BUTTON4", kButton, "Check Data", 9, 146, 112, 26, 0, false, "check-data"},
    {"TEXT6", kText, "Number of Data:0", 138, 146, 353, 18, 0, false, "count"},
    {"TEXT7", kText, "FFT-length is 2^", 9, 207, 166, 21, 0, false, "label-exponent"},
    {"EDIT5", kEdit, "00", 181, 207, 28, 26, 2, true, "exponent"},
    {"TEXT8", kText, "=1", 224, 207, 121, 22, 0, false, "fft-length"},
    {"TEXT9", kText, "Step for FFT-block", 9, 241, 189, 22, 0, false, "label-step"},
    {"EDIT6", kEdit, "", 198, 241, 86, 26, 8, true, "step"},
    {"TEXT10", kText, "1cycle->", 9, 276, 90, 22, 0, false, "label-cycle"},
    {"EDIT7", kEdit, "", 103, 276, 112, 26, 16, false, "samples-per-cycle"},
    {"TEXT11", kText, "data,", 224, 276, 48, 22, 0, false, "label-data"},
    {"TEXT12", kText, "Threshold for Swing", 9, 345, 198, 22, 0, false, "label-threshold"},
    {"EDIT8", kEdit, "", 207, 345, 86, 26, 8, false, "threshold"},
    {"BUTTON5", kButton, "Refer", 448, 379, 60, 26, 0, false, "refer-report",
     frame::ButtonDialog::Save},
    {"EDIT9", kEdit, "", 121, 379, 319, 27, 255, false, "report-file"},
    {"TEXT13", kText, "Output File", 9, 379, 112, 22, 0, false, "label-report-file"},
    {"BUTTON6", kButton, "Calculate", 405, 345, 103, 26, 0, false, "calculate"},
    {"TEXT14", kText, "", 284, 276, 164, 22, 0, false, "resolution"},
    {"TEXT15", kText, "", 138, 172, 353, 18, 0, false, "range"},
    {"EDIT10", kEdit, "", 172, 310, 112, 26, 16, false, "origin"},
    {"TEXT16", kText, "Origin of Cycle:", 9, 310, 159, 22, 0, false, "label-origin"},
    {"TEXT17", kText, "cycles from beginning", 293, 310, 212, 22, 0, false, "label-origin-unit"},
    {"EDIT11", kEdit, "", 138, 112, 301, 27, 255, false, "subtract-file"},
    {"BUTTON7", kButton, "Refer", 448, 112, 60, 26, 0, false, "refer-subtract",
     frame::ButtonDialog::Open},
    {"TEXT18", kText, "Subtract File", 9, 112, 129, 22, 0, false, "label-subtract-file"},
}};

// The source files in the order that numbers their statements: the file of
// most handlers first, so that its statement numbers are its source lines;
// the other handlers' files; then the rest. A new file goes at the end.
constexpr std::string_view kStatementFiles[] = {
    "mulrin/app.cpp",         "mulrin/calculate.cpp",      "mulrin/check_data.cpp",
    "mulrin/labels.cpp",      "mulrin/bin_statistics.cpp", "mulrin/block_scan.cpp",
    "mulrin/block_table.cpp", "mulrin/export.cpp",         "mulrin/fft.cpp",
    "mulrin/form_table.cpp",  "mulrin/main.cpp",           "mulrin/report.cpp",
    "mulrin/scan_plan.cpp",   "mulrin/swing_map.cpp"};

const frame::FormDesc kForm = {"mulrin", 519, 450, "FixedSys", 16, kControls, kStatementFiles};

}  // namespace mulrin
