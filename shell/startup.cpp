#include "shell/startup.h"

#include <cstdlib>

void SetStartValues() {}
void YRM_BuildMainWindow() {}
void MainLoopPass() {}
[[noreturn]] void YRM_Main() { std::_Exit(0); }
