// The fuzz target runs without the shell: messages go to stderr.
#include <cstdio>

#include "shell/log.h"

void YRM_ShowMessage(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }
