// tarvex driven through the shared test support.
#pragma once

#include "tarvex/app.h"
#include "tests/support/support.h"

namespace tarvex::testing {

using namespace test_support;

// tarvex in this process, with its App at hand.
struct Harness : Session {
  Harness() : Session(make_app) {}
  App& app = as<App>();
  int run(const Args& args) { return Session::run(args).status; }
};

}  // namespace tarvex::testing
