#pragma once
// RunUpgrade: the update client's start-up, wiring the libraries together;
// both the shipped program and the tests' flavour call it from their main.

#include "apps/upgrade/client_seam.h"

namespace upgrade_app {

/// Runs the client to its end; the process's exit code. seam: null for the
/// shipped program.
int RunUpgrade(int argc, char** argv, ClientSeam* seam);

}  // namespace upgrade_app
