// Root's file rights and the Windows read-only attribute: Wine marks a file
// read-only by taking away its write permission bits, which root ignores.
#pragma once

#include <string>

// Takes the capabilities that override file permissions (DAC override, DAC
// read-search, file owner) out of what programs started from this process
// can ever have, so that Wine and its server obey the read-only attribute as
// Windows does. This process keeps its own rights. Returns "" when programs
// started from here obey file permissions, otherwise why they do not.
std::string DropRootFileRights();
