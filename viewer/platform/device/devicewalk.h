// Opening host objects below the device root without leaving it: the root
// held open, links resolved and checked against it, and every open made
// with links refused, so that a path swapped for a link meanwhile fails
// instead of leading elsewhere. Used by the device's own files only.
#pragma once

#include <sys/stat.h>

#include <string>

// Makes `hostFolder` the root every open starts from. False when it is not
// a folder that can be opened; the old root then stays.
bool WalkSetRoot(const std::string& hostFolder);

// Opens what `hostPath` (the device root, or a path below it as
// DeviceToHostPath makes it) leads to, with `flags` (O_NOFOLLOW and
// O_CLOEXEC added; O_PATH to look without opening the object itself), and
// fills `status` unless it is null. -1 when it does not exist, cannot be opened so, or leads
// through a link to a place outside the resolved root. `access` is the kind
// told to the access hook.
int OpenInRoot(const std::string& hostPath, int flags, struct stat* status, int access);

// For tests: false makes every open walk one component at a time, as it
// does on kernels without openat2; true goes back to openat2 where it works.
void WalkUseOpenat2(bool use);

// What `hostPath` leads to, looked at without opening it.
bool StatInRoot(const std::string& hostPath, struct stat* status);

// Tells the access hook, when one is set, about descriptor `fd` just opened
// (named as the kernel names it, or as `fallback` where that is unknown),
// or about `child` made in the folder open as `fd`.
void NotifyHostAccess(int access, int fd, const std::string& fallback, const std::string& child = std::string());
