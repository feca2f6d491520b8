#pragma once
// The program's start-up sequence, event loop and end. Returns the exit code.
int RunProgram(int &argc, char **argv);
