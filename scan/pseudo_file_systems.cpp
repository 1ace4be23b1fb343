// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "scan/pseudo_file_systems.h"

#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

// statfs f_type values of the pseudo file systems (linux/magic.h and the
// kernel sources for those it leaves out).
constexpr unsigned long kPseudoMagic[] = {
    0x9fa0,      // proc
    0x62656572,  // sysfs
    0x1cd1,      // devpts
    0x27e0eb,    // cgroup
    0x63677270,  // cgroup2
    0x64626720,  // debugfs
    0x74726163,  // tracefs
    0x73636673,  // securityfs
    0x6165676c,  // pstore
    0xcafe4a11,  // bpf
    0x62656570,  // configfs
    0x65735543,  // fusectl
    0x19800202,  // mqueue
    0x958458f6,  // hugetlbfs
    0x42494e4d,  // binfmt_misc
    0xde5e81e4,  // efivarfs
    0xf97cff8c,  // selinuxfs
    0x43415d53,  // smackfs
    0x6e736673,  // nsfs
    0x67596969,  // rpc_pipefs
};

constexpr std::string_view kPseudoNames[] = {
    "proc",      "sysfs",       "devtmpfs", "devpts",    "cgroup",   "cgroup2", "debugfs",
    "tracefs",   "securityfs",  "pstore",   "bpf",       "configfs", "fusectl", "mqueue",
    "hugetlbfs", "binfmt_misc", "efivarfs", "selinuxfs", "smackfs",  "nsfs",    "rpc_pipefs"};

}  // namespace

bool PseudoFileSystems::IsPseudoTypeName(std::string_view type) {
  return std::find(std::begin(kPseudoNames), std::end(kPseudoNames), type) !=
         std::end(kPseudoNames);
}

PseudoFileSystems::PseudoFileSystems() {
  // Each line: id parent major:minor root mount-point options [tags] - type source options
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string id, parent, device;
    fields >> id >> parent >> device;
    const std::size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream tail(line.substr(dash + 3));
    std::string type;
    tail >> type;
    unsigned int major = 0;
    unsigned int minor = 0;
    if (!IsPseudoTypeName(type) || std::sscanf(device.c_str(), "%u:%u", &major, &minor) != 2)
      continue;
    devices_.push_back(makedev(major, minor));
  }
}

bool PseudoFileSystems::holds(int fd, dev_t dev) const {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) == 0) {
    const auto type = static_cast<unsigned long>(fs.f_type);
    if (std::find(std::begin(kPseudoMagic), std::end(kPseudoMagic), type) != std::end(kPseudoMagic))
      return true;
  }
  return std::find(devices_.begin(), devices_.end(), dev) != devices_.end();
}
