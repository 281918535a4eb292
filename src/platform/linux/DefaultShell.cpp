#include "platform/ProcessLauncher.h"

// Every Linux system has a POSIX shell here; zsh is seldom installed and nothing makes the package
// need it, so a command run through it would fail everywhere but on a zsh user's machine.
const char* const ProcessLauncher::defaultShell = "/bin/sh";
