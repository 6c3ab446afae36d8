#pragma once

namespace testsupport {

// What the running system's file operations do beyond what every platform shares, for the
// tests that run them on real folders.
struct SystemFileAbilities {
  // A file keeps the permission bits it is given (rwx for owner, group and others).
  bool permissionBits;
  // Two names can swap their files in one step (which also swaps folders, that have no
  // second name).
  bool exchange;
};

SystemFileAbilities SystemFiles();

} // namespace testsupport
