// Built on every system but Linux (src/CMakeLists.txt): written for macOS.

#include "platform/ProcessLauncher.h"

// The system's own shell, the login shell of every account since macOS 10.15.
const char* const ProcessLauncher::defaultShell = "/bin/zsh";
