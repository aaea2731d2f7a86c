// Where Windows looks for the DLLs it loads by name for the program.
#ifndef TESSARON_APP_DLL_SEARCH_H
#define TESSARON_APP_DLL_SEARCH_H

// Limits the search for DLLs loaded by bare name to System32, for the rest
// of the run, where Windows offers it (SetDefaultDllDirectories: Windows 8
// and later, Vista and 7 with update KB2533623). Elsewhere, and should the
// call fail, the search stays as it was. Must run before the program shows
// a window.
void LimitDllSearch();

#endif
