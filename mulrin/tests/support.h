// mulrin driven through the shared test support, and its usual Calculate run.
#pragma once

#include <string>
#include <vector>

#include "mulrin/app.h"
#include "tests/support/support.h"

namespace mulrin::testing {

using test_support::Scratch;
using test_support::words;
inline constexpr auto& lines = test_support::crlf_lines;

// The fields of a Calculate run over `data` writing `report`, then the click.
inline std::vector<std::string> calculate_args(const std::string& data, const std::string& report,
                                               const std::string& exponent, const std::string& step,
                                               const std::string& samples_per_cycle,
                                               const std::string& threshold = "0.5") {
  std::vector<std::string> args = words("--set EDIT3=# --set EDIT1=1 --set EDIT2=12");
  for (const std::string& field :
       {"EDIT4=" + data, "EDIT5=" + exponent, "EDIT6=" + step, "EDIT7=" + samples_per_cycle,
        "EDIT8=" + threshold, "EDIT9=" + report})
    args.insert(args.end(), {"--set", field});
  args.insert(args.end(), {"--click", "BUTTON6"});
  return args;
}

// mulrin in this process, with its App at hand.
struct Session : test_support::Session {
  Session() : test_support::Session(make_app) {}
  App& app = as<App>();
};

}  // namespace mulrin::testing
