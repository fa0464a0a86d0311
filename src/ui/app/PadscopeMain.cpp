#include "ui/app/CPadscopeApp.h"

int main(int argc, char** argv) {
  return padscope::RunPadscopeApp(argc, argv);
}
