// mulrin, the block FFT analyser.
#include "frame/program.h"
#include "mulrin/app.h"
#include "mulrin/form_table.h"

int main(int argc, char** argv) {
  return frame::program_main(argc, argv, mulrin::kForm, mulrin::make_app);
}
