// Exports of a finished run's values, beside the fixed report: a CSV table
// and a JSON document, every number unrounded, as the shortest text that
// reads back to the value in the precision it is held.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "frame/errors.h"
#include "frame/form.h"
#include "frame/heat_map.h"
#include "frame/numtext.h"

namespace frame {

// Shortest text that reads back to the same value ("0.1", "1e+30", "-0").
std::string number_text(double value);
std::string number_text(float value);

// A single as a JSON number: the double of its shortest text, so that the
// document shows that text and reading it back as a single gives the value.
double json_single(float value);

// A file created (or emptied) for an export and written front to back. Every
// failure raises the run-time error mapped from the system's error number.
class ExportFile {
 public:
  explicit ExportFile(const std::string& path, Where where = Where::current());
  ~ExportFile();
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  void write(std::string_view bytes);
  // Writes what is held and closes the file; a failure raises.
  void close();

 private:
  void flush();
  int handle_ = -1;
  std::string held_;
  Where where_;
};

// Rows of a table by RFC 4180: a cell is quoted when it holds a comma, a
// quote, CR or LF (its quotes doubled); rows end with LF; no byte-order mark.
class CsvWriter {
 public:
  explicit CsvWriter(ExportFile& file) : file_(file) {}
  CsvWriter& text(std::string_view cell);
  CsvWriter& number(double value) { return text(number_text(value)); }
  CsvWriter& number(float value) { return text(number_text(value)); }
  CsvWriter& whole(std::int64_t value) { return text(std::to_string(value)); }
  CsvWriter& empty() { return text({}); }
  void end_row();

 private:
  ExportFile& file_;
  std::string row_;
  bool first_ = true;
};

// The programs' version, as the documents name it.
std::string_view version();

// A field as a run read it: {"field", "text"} and, for a number field, the
// "value" of its text in the kind the run holds it. Keyed by the caller
// under the field's alias.
nlohmann::ordered_json field_json(const Form& form, ControlRef field);
nlohmann::ordered_json field_json(const Form& form, ControlRef field, Kind kind);

// The key of a field in a document: its alias, else its name.
std::string field_key(const Form& form, ControlRef field);

// The document, indented by two, ended by LF.
void write_json(const std::string& path, const nlohmann::ordered_json& document,
                Where where = Where::current());

// What a program offers beyond its report: the values of its most recent
// completed run.
class Exports {
 public:
  virtual ~Exports() = default;
  // Whether a run has completed since the program started.
  virtual bool has_run() const = 0;
  // The name of the run's button, for messages ("Calc.", "Calculate").
  virtual std::string_view run_name() const = 0;
  virtual void write_csv(const std::string& path) const = 0;
  virtual void write_json(const std::string& path) const = 0;
  // Whether the program draws a swing map of its runs.
  virtual bool has_map() const { return false; }
  // The map of the last completed run (has_map() and has_run()).
  virtual HeatMap map() const { return {}; }
};

}  // namespace frame
