// The verification run that main hands over to once the command line is read.
#pragma once

#include "console/console.h"

// Chooses the .sfv and .srr to verify, runs the checks, returns the exit status.
int run(dvk::con::Console& console);
