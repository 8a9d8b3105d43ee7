// The install sequence of Cradlet: finds the application manager through the
// registry, copies the cabinet and its description file beside it, starts it.
#pragma once

#include "winops.h"

// True when a find-first of exactly pszPath succeeds: files and folders alike.
BOOL FileExists(CWinOps& ops, const char* pszPath);

// The whole sequence, from finding the program's own folder to starting the
// application manager. Every failure shows one message box and ends it.
void RunInstall(CWinOps& ops);
