// DropRootFileRights: a program started by root gets every capability in the
// bounding set, plus those of the inheritable and ambient sets; all three are
// cleared of the file-permission overrides before Wine is started.
#include "root_rights.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

struct Capability {
  int nCap;
  const char* pszName;
};
// All below 32: they live in the first word of the capability sets.
const Capability kFileOverrides[] = {
    {CAP_DAC_OVERRIDE, "CAP_DAC_OVERRIDE"},
    {CAP_DAC_READ_SEARCH, "CAP_DAC_READ_SEARCH"},
    {CAP_FOWNER, "CAP_FOWNER"},
};

std::string Failed(const std::string& strWhat) {
  return strWhat + ": " + std::strerror(errno);
}

// Lowering the inheritable set also lowers the ambient set.
std::string DropInheritable() {
  __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return Failed("capget");
  std::uint32_t before = data[0].inheritable;
  for (const Capability& cap : kFileOverrides) data[0].inheritable &= ~(1u << cap.nCap);
  if (data[0].inheritable != before && syscall(SYS_capset, &header, data) != 0) return Failed("capset");
  return "";
}

}  // namespace

std::string DropRootFileRights() {
  std::string error = DropInheritable();
  if (!error.empty()) return error;
  for (const Capability& cap : kFileOverrides) {
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_IS_SET, cap.nCap, 0, 0) == 1)
      return std::string(cap.pszName) + " stays in the ambient set";
    // Only a program run by root gains the bounding set on start-up.
    if (geteuid() != 0 || prctl(PR_CAPBSET_READ, cap.nCap, 0, 0, 0) != 1) continue;
    if (prctl(PR_CAPBSET_DROP, cap.nCap, 0, 0, 0) != 0)
      return Failed(std::string("dropping ") + cap.pszName + " from the bounding set (needs CAP_SETPCAP)");
  }
  return "";
}
