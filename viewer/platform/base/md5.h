// MD5 (RFC 1321) of a byte string, as the 32 lower-case hexadecimal digits
// that name a picture's entries in the desktop's shared thumbnail cache.
#pragma once

#include <string>

std::string Md5Hex(const std::string& bytes);
