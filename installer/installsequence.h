// The install sequence of Cradlet: finds the application manager through the
// registry, copies the cabinet and its description file beside it, starts it.
#pragma once

#include "winops.h"

// Exit status of a sequence that started the application manager. Every
// other outcome shows one message and ends with that message's id.
constexpr int kInstallStarted = 0;

// True when a find-first of exactly pszPath succeeds: files and folders alike.
BOOL FileExists(CWinOps& ops, const char* pszPath);

// True for "X:\..." with a drive letter and for a UNC path
// "\\server\share\..."; "/" counts as "\". Anything else would be looked up
// from the current folder or drive.
BOOL IsAbsolutePath(const char* pszPath);

// The whole sequence, from taking the one-install lock to starting the
// application manager. Every failure shows one message box and ends it.
// Returns kInstallStarted or the id of the message shown.
int RunInstall(CWinOps& ops);
