// Signing a finished installer (Authenticode) with osslsigncode.
//
// The signature goes behind the container, where the installer's search
// for its container never looks past the container's own header, so a
// signed installer opens as before. The environment variable
// VORPACK_SIGNING_TOOL names another program than osslsigncode.
#pragma once

#include <string>

namespace vor::vorpack {

constexpr const char kSigningTool[] = "osslsigncode";
constexpr const char kSigningToolVariable[] = "VORPACK_SIGNING_TOOL";

struct SignRequest {
  std::string certificate;  // PEM or DER file
  std::string key;          // its private key
  std::string url;          // the application's web address ("" for none)
  std::string description;  // the signed content's name, shown by Windows
};

// Raises (exit code 5) when the certificate or key file cannot be read:
// checked before anything is built.
void CheckSignFiles(const SignRequest& request);

// Signs unsigned_path into signed_path (replaced when it exists; left
// absent when signing fails). Raises (exit code 1) when the signing tool is
// not installed, naming the package that brings it, or when it fails.
void SignInstaller(const std::string& unsigned_path, const std::string& signed_path,
                   const SignRequest& request);

}  // namespace vor::vorpack
