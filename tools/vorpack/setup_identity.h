// The identity the finished installer shows Windows: the application's
// icon, version information and the manifest (the privileges it asks for,
// the Windows versions it supports, how it treats display scaling), all
// taken from the job and written into the copy of the installer program
// that goes in front of the container.
//
// JOB.INI keys read here (all optional):
//   Icon         the icon file; every image becomes the program's main icon
//   Appname      ProductName
//   Version      up to four numbers from 0 to 65535 separated by dots:
//                FileVersion and ProductVersion, and the manifest's version
//   Publisher    CompanyName
//   Copyright    LegalCopyright
//   Description  FileDescription ("<Appname> Setup" without it)
//   Privileges   admin (requireAdministrator), user (asInvoker) or highest
//                (highestAvailable, the default: an administrator gets one
//                elevation prompt and can write the all-users folders and
//                Program Files, a standard user runs as himself)
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "package.h"
#include "pe_resources.h"

namespace vor::vorpack {

struct SetupIdentity {
  std::string icon_shown;  // the icon's path in the package; "" without one
  std::string icon;        // the icon file's bytes
  // UTF-8 texts; "" when the job has no value for them.
  std::string product_name;
  std::string publisher;
  std::string copyright;
  std::string description;
  std::string version_text;  // as normalised: four numbers
  std::array<uint16_t, 4> version = {0, 0, 0, 0};
  bool has_version = false;
  std::string execution_level = "highestAvailable";
  bool privileges_given = false;
};

// The identity of a checked package (CheckJob has converted its JOB.INI).
// A Version or Privileges value that cannot be used is an error in
// findings.
SetupIdentity ReadSetupIdentity(const Package& package, Findings* findings);

// What vorpack --check shows: one line per value it will write.
std::vector<std::string> DescribeIdentity(const SetupIdentity& identity);

// The VS_VERSIONINFO resource.
std::string VersionResource(const SetupIdentity& identity);
// The manifest's XML text (UTF-8).
std::string ManifestText(const SetupIdentity& identity);
// Replaces the tree's main icon (its first icon group and the images only
// that group used) with every image of an icon file. False with *why when
// icon is no icon file.
bool SetMainIcon(ResourceTree* tree, const std::string& icon, std::string* why);

// The installer program with the identity written into its resources.
// "" in *why on success; otherwise why it cannot be done, and the result is
// empty.
std::string StampProgram(const std::string& program, const SetupIdentity& identity,
                         std::string* why);

}  // namespace vor::vorpack
