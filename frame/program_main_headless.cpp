// Start-up of a build without a window: the command line drives the form.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "frame/driver.h"
#include "frame/platform/files.h"
#include "frame/platform/platform.h"
#include "frame/program.h"

namespace frame {

namespace {

namespace fs = std::filesystem;

// The per-user record of the last run-time error: key=value lines in
// <config>/cycle-tools/<program>-last-error.ini, where <config> is
// $XDG_CONFIG_HOME or ~/.config. A record that cannot be written is skipped:
// it never changes how the run ends. Without either folder there is nowhere
// to keep it: one line on stderr says so.
class FileRecordStore : public ErrorRecordStore {
 public:
  explicit FileRecordStore(std::string_view program) : program_(program) {}

  void write(const ErrorRecord& r) override {
    const fs::path folder = config_folder();
    if (folder.empty()) {
      std::cerr << program_ << ": no home folder: the last-error record is not kept\n";
      return;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return;
    std::ofstream file(folder / (program_ + "-last-error.ini"), std::ios::binary | std::ios::trunc);
    if (!file) return;
    file << "MODL=" << r.modl << '\n'
         << "LINE=" << r.line << '\n'
         << "CODE=" << r.code << '\n'
         << "FUNC=" << r.func << '\n'
         << "INFO=" << r.info << '\n'
         << "TIME=" << r.time << '\n'
         << "MODE=" << r.mode << '\n'
         << "RTL=" << r.rtl << '\n'
         << "APIERR=" << r.apierr << '\n';
  }

 private:
  static fs::path config_folder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
      return fs::path(xdg) / "cycle-tools";
    if (const std::string home = platform::home_folder(); !home.empty())
      return fs::path(home) / ".config" / "cycle-tools";
    return {};
  }

  std::string program_;
};

}  // namespace

int program_main(int argc, char** argv, const FormDesc& desc, ProgramFactory factory) {
  platform::prepare_process();
  if (argc <= 1) {
    std::cerr << desc.program << ": this build has no window; give actions on the command"
              << " line (see " << desc.program << " --help)\n";
    return 2;
  }
  const std::vector<std::string> args = platform::arguments(argc, argv);

  ScriptedDialogs dialogs;
  NullSurface surface;  // nothing is shown, so nothing is kept
  FileRecordStore records(desc.program);

  std::unique_ptr<Program> program;
  try {
    program = factory(dialogs, surface);
  } catch (const RuntimeError& e) {
    // A start-up failure (a control name the form lacks) ends the program
    // like any run-time error.
    try {
      records.write(make_record(e, desc.program, desc.statement_files));
    } catch (const std::exception&) {
    }
    std::cerr << error_message(desc.program,
                               statement_number(desc.statement_files, e.file(), e.line()), e.code())
              << '\n';
    return 1;
  }

  DriverContext context{program->form(),  dialogs, surface,
                        program->files(), records, program->exports()};
  const int status = run_driver(context, args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}

}  // namespace frame
