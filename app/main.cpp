// Program entry: hands control to the start-up procedure.
#include "platform/faulthook.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
  // A fresh process started only to show a fault report's box.
  pf::FaultBoxMain(argc, argv);
  YRM_Main();
  return 0;
}
