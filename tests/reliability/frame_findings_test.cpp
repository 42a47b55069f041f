// Faults found in the frame by the fuzz harnesses and the fault tests, kept
// as plain tests.
#include <gtest/gtest.h>

#include <limits>
#include <new>
#include <sstream>

#include "frame/driver.h"
#include "frame/numtext.h"
#include "tests/support/sample_form.h"
#include "tests/support/support.h"

namespace frame {
namespace {

using test_support::code_of;

// 1 to an infinite power multiplies infinity by 0 on the way: an invalid
// operation, never a NaN handed back to the caller.
TEST(FrameFindings, PowerOfOneToAnInfiniteExponentIs5) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const auto& [base, exponent] : {std::pair{1.0, inf}, {1.0, -inf}, {-1.0, inf}})
    EXPECT_EQ(code_of([&] { power(base, exponent); }), 5) << base << "^" << exponent;
  EXPECT_EQ(power(1, 1e308), 1);
}

// Memory a handler cannot have ends the run like any run-time error (7),
// not with the end of the process: message, record, files left as written.
TEST(FrameFindings, DriverReportsExhaustedMemoryAs7) {
  test_support::Scratch folder;
  Form form(test_support::kSampleForm);
  FileTable files;
  form.bind_handlers({{"BUTTON3_ON", [&] {
                         files.open("O", 2, folder.path("half.txt"));
                         files.write_text(2, "half", Sep::EndOfLine);
                         throw std::bad_alloc();
                       }}});
  ScriptedDialogs dialogs;
  RecordingSurface surface;
  test_support::RecordStore records;
  DriverContext context{form, dialogs, surface, files, records};
  std::ostringstream out, err;
  EXPECT_EQ(run_driver(context, {"--click", "BUTTON3", "--print", "TEXT1"}, out, err), 1);
  EXPECT_EQ(test_support::message_code(err.str()), 7) << err.str();
  EXPECT_EQ(out.str(), "");
  ASSERT_EQ(records.written.size(), 1u);
  EXPECT_EQ(records.written[0].code, 7);
  EXPECT_EQ(records.written[0].func, static_cast<int>(Operation::Memory));
  EXPECT_EQ(folder.read("half.txt"), "half\r\n");
  EXPECT_EQ(code_of([&] { files.eof(2); }), 57);  // abandoned: the number is free
}

}  // namespace
}  // namespace frame
