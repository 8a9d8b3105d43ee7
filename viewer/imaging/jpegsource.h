// The decoder's data source: the stream read through a buffer of its own,
// 4096 bytes at a time as the library's standard source reads it, counted,
// bounded by the frame's size, and stopped when the thread is told to stop.
#pragma once

#include <cstdint>
#include <cstdio>

// The library's decompression record, only ever handled by pointer here.
struct jpeg_decompress_struct;

// How the source ends a decode: it records the reason and jumps back to the
// decode's recovery path, never returning.
typedef void (*JpegSourceStop)(jpeg_decompress_struct* cinfo, const char* reason);

// The reason of a decode ended by its thread's stop flag.
constexpr const char kJpegStopped[] = "stopped";
// The reason of a file that needs more bytes than its frame can fill.
constexpr const char kJpegTooMuchData[] = "too much data for its size";

// Attaches `stream`, read from where it stands, as the record's data
// source; its memory comes from the library's permanent pool.
void JpegAttachSource(jpeg_decompress_struct* cinfo, FILE* stream, JpegSourceStop stop);

// Bytes the record's source has read from its stream; 0 before one is attached.
uint64_t JpegSourceBytesRead(const jpeg_decompress_struct* cinfo);
