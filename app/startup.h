// The program's start-up, between the process entry and AppMain.
#ifndef TESSARON_APP_STARTUP_H
#define TESSARON_APP_STARTUP_H

// Limits the DLL search to System32 where Windows can, reads the ANSI code
// page's lead bytes, takes the command line, cuts off the program's name
// and runs AppMain on the rest. Returns AppMain's result, the process exit
// code.
int StartProgram();

#endif
