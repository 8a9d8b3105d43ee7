// Small files of the host outside the device (the user's configuration, a
// script of events), read whole with a size bound and without blocking on
// a pipe or a device that never ends, and written whole or not at all.
#pragma once

#include <cstddef>
#include <string>

enum HostFileRead {
  HOST_FILE_READ,         // the whole file is in *text
  HOST_FILE_ABSENT,       // no such file (a missing name or folder on the way)
  HOST_FILE_NOT_ALLOWED,  // a folder, a device, a socket, or a pipe where none is taken
  HOST_FILE_TOO_LARGE,    // more than `limit` bytes
  HOST_FILE_FAILED,       // cannot be opened or read: *error holds the errno
};

// The kinds of file ReadHostFile reads.
enum HostFileKinds {
  HOST_FILE_REGULAR,          // only a regular file; a pipe is refused unopened
  HOST_FILE_REGULAR_OR_PIPE,  // also a pipe, read until its writers close it
};

// Reads the file `path` names (links followed) into *text when it is of
// `kinds` and holds at most `limit` bytes. The open never waits: a pipe
// without a writer or a device is seen for what it is before anything is
// read. A pipe that is taken is then read as any reader of a named pipe
// reads it: waiting for a writer, up to the end or the bound.
HostFileRead ReadHostFile(const std::string& path, size_t limit, HostFileKinds kinds, std::string* text, int* error);

// Writes `text` as the file `path` whole or not at all: into a new temporary
// file beside it (mode 0600), flushed to the disk, then renamed over `path`,
// and the folder flushed so that the new name lasts. The folder is made
// (mode 0700) when missing, and its parent too; anything further up must
// exist. FALSE with *error (an errno value) when a step fails; the
// temporary file is then gone and `path` is as it was.
bool WriteHostFileWhole(const std::string& path, const std::string& text, int* error);
