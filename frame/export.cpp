// The exports' number text, files, CSV rows and JSON documents.
#include "frame/export.h"

#include <array>
#include <charconv>
#include <cstdlib>

#include "frame/platform/platform.h"

namespace frame {

namespace {

template <typename T>
std::string shortest(T value) {
  std::array<char, 64> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

constexpr std::size_t kHeldBytes = 1 << 20;

}  // namespace

std::string number_text(double value) {
  return shortest(value);
}
std::string number_text(float value) {
  return shortest(value);
}

double json_single(float value) {
  const std::string text = shortest(value);
  double result = 0;
  std::from_chars(text.data(), text.data() + text.size(), result);
  return result;
}

ExportFile::ExportFile(const std::string& path, Where where) try : where_(where) {
  if (path.empty()) raise(err::kBadFileName, where);
  handle_ = platform::create_for_writing(path);
  if (handle_ < 0) raise_os(-handle_, where);
  held_.reserve(kHeldBytes);
} catch (RuntimeError& e) {
  e.attribute(Operation::FileOpen);
  throw;
}

ExportFile::~ExportFile() {
  // Only after a failure: what was held is dropped with the handle.
  if (handle_ >= 0) platform::close_handle(handle_);
}

void ExportFile::write(std::string_view bytes) {
  held_.append(bytes);
  if (held_.size() >= kHeldBytes) flush();
}

void ExportFile::flush() try {
  if (const int e = platform::write_all(handle_, held_.data(), held_.size())) raise_os(e, where_);
  held_.clear();
} catch (RuntimeError& e) {
  e.attribute(Operation::Print);
  throw;
}

void ExportFile::close() try {
  flush();
  const int handle = handle_;
  handle_ = -1;
  if (const int e = platform::close_handle(handle)) raise_os(e, where_);
} catch (RuntimeError& e) {
  e.attribute(Operation::FileClose);
  throw;
}

CsvWriter& CsvWriter::text(std::string_view cell) {
  if (!first_) row_ += ',';
  first_ = false;
  if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
    row_ += cell;
    return *this;
  }
  row_ += '"';
  for (const char c : cell) {
    if (c == '"') row_ += '"';
    row_ += c;
  }
  row_ += '"';
  return *this;
}

void CsvWriter::end_row() {
  row_ += '\n';
  file_.write(row_);
  row_.clear();
  first_ = true;
}

std::string_view version() {
  return TOOLS_VERSION;
}

nlohmann::ordered_json field_json(const Form& form, ControlRef field) {
  return {{"field", std::string(form.control(field.index).name)}, {"text", form.text(field)}};
}

nlohmann::ordered_json field_json(const Form& form, ControlRef field, Kind kind) {
  nlohmann::ordered_json entry = field_json(form, field);
  const double value = val(form.text(field));
  entry["value"] = kind == Kind::Single ? json_single(static_cast<float>(value)) : value;
  return entry;
}

std::string field_key(const Form& form, ControlRef field) {
  const ControlDesc& c = form.control(field.index);
  return std::string(c.alias.empty() ? c.name : c.alias);
}

void write_json(const std::string& path, const nlohmann::ordered_json& document, Where where) {
  ExportFile file(path, where);
  // Texts that are not valid UTF-8 (a path in another code page) are kept
  // with the bad bytes replaced, rather than failing the export.
  file.write(document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
  file.write("\n");
  file.close();
}

}  // namespace frame
