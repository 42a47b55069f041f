// tarvex, the cycle DFT analyser.
#include "frame/program.h"
#include "tarvex/app.h"
#include "tarvex/form_table.h"

int main(int argc, char** argv) {
  return frame::program_main(argc, argv, tarvex::kForm, tarvex::make_app);
}
