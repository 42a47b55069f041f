#include "tarvex/form_table.h"

namespace tarvex {

namespace {
constexpr auto kEdit = frame::ControlKind::Edit;
constexpr auto kText = frame::ControlKind::Static;
constexpr auto kButton = frame::ControlKind::Button;
}  // namespace

// name, kind, initial text, x, y, w, h, max typed length, digits only, alias.
// The controls stand in a column from x = 7 to 217; the client area to the
// right of x = 220 is the cycle display.
const std::array<frame::ControlDesc, kControlCount> kControls = {{
    {"EDIT1", kEdit, "", 112, 7, 42, 21, 8, false, "comment-mark"},
    {"BUTTON1", kButton, "LOAD", 168, 7, 49, 20, 0, false, "load", frame::ButtonDialog::Open},
    {"TEXT1", kText, "Mark of Cmt.", 7, 7, 98, 16, 0, false, "label-mark"},
    {"EDIT2", kEdit, "", 49, 35, 42, 21, 4, true, "from"},
    {"EDIT3", kEdit, "", 112, 35, 42, 21, 4, true, "letters"},
    {"TEXT2", kText, "From", 7, 35, 36, 16, 0, false, "label-from"},
    {"TEXT3", kText, "letters", 161, 35, 56, 16, 0, false, "label-letters"},
    {"EDIT4", kEdit, "", 7, 84, 210, 21, 255, false, "data-file"},
    {"TEXT4", kText, "Data File", 7, 63, 77, 16, 0, false, "label-data-file"},
    {"BUTTON2", kButton, "Refer", 91, 63, 49, 20, 0, false, "refer-data",
     frame::ButtonDialog::Open},
    {"BUTTON3", kButton, "Check", 147, 63, 70, 20, 0, false, "check"},
    {"TEXT5", kText, "Number of data:0", 7, 140, 210, 16, 0, false, "count"},
    {"TEXT6", kText, "1cycle->", 7, 161, 68, 16, 0, false, "label-cycle"},
    {"EDIT5", kEdit, "", 77, 161, 92, 21, 16, false, "samples-per-cycle"},
    {"TEXT7", kText, "data", 175, 161, 36, 16, 0, false, "label-data"},
    {"TEXT8", kText, "Origin:", 7, 189, 68, 16, 0, false, "label-origin"},
    {"EDIT6", kEdit, "", 77, 189, 92, 21, 16, false, "origin"},
    {"TEXT9", kText, "Interval of DFT", 7, 259, 126, 16, 0, false, "label-interval"},
    {"TEXT10", kText, "Disp.", 14, 280, 40, 16, 0, false, "label-disp"},
    {"EDIT7", kEdit, "10", 56, 280, 49, 21, 6, false, "display-interval"},
    {"TEXT11", kText, "cy.", 112, 280, 28, 16, 0, false, "label-disp-cycles"},
    {"BUTTON4", kButton, "Draw", 161, 280, 56, 20, 0, false, "draw"},
    {"TEXT12", kText, "File", 14, 364, 40, 16, 0, false, "label-file"},
    {"EDIT8", kEdit, "100", 56, 364, 49, 21, 6, false, "file-interval"},
    {"TEXT13", kText, "cy.", 112, 364, 28, 16, 0, false, "label-file-cycles"},
    {"BUTTON5", kButton, "Calc.", 161, 392, 56, 20, 0, false, "calc"},
    {"EDIT9", kEdit, "tarvex.txt", 7, 413, 210, 21, 255, false, "report-file"},
    {"TEXT14", kText, "Output File", 7, 392, 91, 16, 0, false, "label-output-file"},
    {"BUTTON6", kButton, "Refer", 105, 392, 49, 20, 0, false, "refer-report",
     frame::ButtonDialog::Save},
    {"TEXT15", kText, "Angular Spd.", 7, 231, 98, 16, 0, false, "label-speed"},
    {"EDIT10", kEdit, "360", 105, 231, 63, 21, 16, false, "angular-speed"},
    {"TEXT16", kText, "deg/c", 175, 231, 42, 16, 0, false, "label-speed-unit"},
    {"TEXT17", kText, "Factor for Disp.", 14, 308, 133, 16, 0, false, "label-factor"},
    {"EDIT11", kEdit, "1", 147, 308, 70, 21, 10, false, "display-factor"},
    {"EDIT12", kEdit, "", 7, 336, 210, 21, 255, false, "result"},
    {"TEXT18", kText, "cycle", 175, 189, 42, 16, 0, false, "label-origin-unit"},
    {"TEXT19", kText, "~~~~~~~~~~~~~~~~~~~~~~~~~", 7, 210, 210, 12, 0, false, "separator"},
    {"EDIT13", kEdit, "", 49, 112, 119, 21, 255, false, "subtract-file"},
    {"BUTTON7", kButton, "Refer", 168, 112, 49, 20, 0, false, "refer-subtract",
     frame::ButtonDialog::Open},
    {"TEXT20", kText, "Subt", 7, 112, 36, 16, 0, false, "label-subtract"},
}};

// The source files in the order that numbers their statements: the file of
// most handlers first, so that its statement numbers are its source lines;
// the other handlers' files; then the rest. A new file goes at the end.
constexpr std::string_view kStatementFiles[] = {
    "tarvex/app.cpp",    "tarvex/calc.cpp",   "tarvex/check.cpp",      "tarvex/draw.cpp",
    "tarvex/dcmdsp.cpp", "tarvex/export.cpp", "tarvex/form_table.cpp", "tarvex/main.cpp",
    "tarvex/pole.cpp",   "tarvex/report.cpp", "tarvex/transform.cpp"};

const frame::FormDesc kForm = {"tarvex", 648, 466, "FixedSys", 18, kControls, kStatementFiles};

}  // namespace tarvex
