// A small form for the frame's tests: edit fields (one digits-only with a
// maximum of 4), static texts and buttons, some with aliases.
#pragma once

#include <array>

#include "frame/form.h"

namespace test_support {

using frame::ButtonDialog;
using frame::ControlKind;

inline constexpr std::array<frame::ControlDesc, 9> kSampleControls = {{
    {"EDIT1", ControlKind::Edit, "#", 10, 10, 40, 20, 8, false, "mark"},
    {"EDIT2", ControlKind::Edit, "", 10, 40, 40, 20, 4, true, "from"},
    {"EDIT3", ControlKind::Edit, "", 10, 70, 200, 20, 16, false, "data"},
    {"EDIT4", ControlKind::Edit, "out.txt", 10, 100, 200, 20, 255, false, "report"},
    {"TEXT1", ControlKind::Static, "Mark", 60, 10, 40, 16, 0, false, ""},
    {"TEXT2", ControlKind::Static, "Number of data:0", 10, 130, 200, 16, 0, false, "count"},
    {"BUTTON1", ControlKind::Button, "Refer", 120, 70, 50, 20, 0, false, "refer",
     ButtonDialog::Open},
    {"BUTTON2", ControlKind::Button, "Check", 120, 40, 50, 20, 0, false, "check"},
    {"BUTTON3", ControlKind::Button, "Calc.", 120, 100, 50, 20, 0, false, ""},
}};

// The handlers' statements are those of the sample program.
inline constexpr std::string_view kSampleStatementFiles[] = {"tests/support/sample_program.h"};

inline constexpr frame::FormDesc kSampleForm = {
    "sample", 300, 200, "FixedSys", 16, kSampleControls, kSampleStatementFiles};

}  // namespace test_support
