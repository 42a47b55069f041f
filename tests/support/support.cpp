#include "tests/support/support.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "frame/platform/process.h"

namespace test_support {

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& path, std::string_view bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Scratch::Scratch() {
  static std::atomic<int> serial{0};
  dir_ = fs::temp_directory_path() /
         ("tools_test_" + std::to_string(frame::platform::current_process_id()) + "_" +
          std::to_string(serial++));
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

Scratch::~Scratch() {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir_, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(dir_, ec);
}

std::string Scratch::write(std::string_view name, std::string_view bytes) const {
  const fs::path p = dir_ / name;
  write_file(p, bytes);
  return p.string();
}

fs::path temp_file(std::string_view name, std::string_view bytes) {
  static const Scratch process_folder;
  const fs::path p = process_folder.dir() / name;
  write_file(p, bytes);
  return p;
}

std::string crlf_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> split_crlf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

Args words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

int message_code(std::string_view message) {
  constexpr std::string_view head = "エラー[";
  const std::size_t at = message.find(head);
  if (at == std::string_view::npos) return 0;
  // Codes have at most three digits; a longer run (an echoed argument) is no code.
  int code = 0;
  std::size_t i = at + head.size();
  for (; i < message.size() && message[i] >= '0' && message[i] <= '9'; ++i) {
    if (i - (at + head.size()) == 3) return 0;
    code = code * 10 + (message[i] - '0');
  }
  return code;
}

Session::Session(const frame::ProgramFactory& make) : program_(make(dialogs, surface)) {}

Session::Result Session::run(const Args& args) {
  frame::DriverContext context{program_->form(),  dialogs, surface,
                               program_->files(), records, program_->exports()};
  std::ostringstream out_stream, err_stream;
  const int status = frame::run_driver(context, args, out_stream, err_stream);
  out = out_stream.str();
  err = err_stream.str();
  return {status, out, err};
}

const std::string& Session::text(std::string_view name) const {
  const frame::Form& form = program_->form();
  const std::optional<int> index = form.find(name);
  if (!index) throw std::invalid_argument("no control " + std::string(name));
  return form.text(frame::ControlRef{*index});
}

std::string Session::texts(const std::string& names) const {
  std::string joined;
  for (const std::string& name : words(names)) joined += text(name) + "|";
  return joined;
}

void Session::set(std::string_view name, std::string text) {
  frame::Form& form = program_->form();
  const std::optional<int> index = form.find(name);
  if (!index) throw std::invalid_argument("no control " + std::string(name));
  form.set_text(frame::ControlRef{*index}, std::move(text));
}

}  // namespace test_support
