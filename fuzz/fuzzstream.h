// The stream a fuzz target hands to the system: one temporary file, refilled
// for every input, so seeks and reads behave as on a real device file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The stream, positioned at its start and holding exactly `size` bytes;
// null if the temporary file cannot be written. Do not close it.
FILE* FuzzStream(const uint8_t* data, size_t size);
