// Program entry: hands control to the start-up procedure.
#include "shell/startup.h"

int main() {
  YRM_Main();
  return 0;
}
