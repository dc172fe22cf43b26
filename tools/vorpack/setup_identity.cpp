// The installer's icon, version information and manifest from the job.
#include "setup_identity.h"

#include <set>

#include "common/coding.h"
#include "file_checks.h"
#include "job_check.h"
#include "job_text.h"
#include "platform/codepage.h"

namespace vor::vorpack {

namespace {

constexpr size_t kIconDirSize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint32_t kFixedInfoVersion = 0x00010000;
constexpr uint32_t kFileFlagsMask = 0x3F;
constexpr uint32_t kFileOsNtWindows32 = 0x00040004;
constexpr uint32_t kFileTypeApplication = 1;
constexpr uint16_t kUnicodeCodePage = 1200;
constexpr uint32_t kManifestId = 1;
constexpr uint32_t kVersionId = 1;

struct Privilege {
  const char* key;
  const char* level;
};
constexpr Privilege kPrivileges[] = {
    {"admin", "requireAdministrator"},
    {"user", "asInvoker"},
    {"highest", "highestAvailable"},
};

// Windows Vista, 7, 8, 8.1 and 10/11, as the manifest names them.
constexpr const char* kSupportedOs[] = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
};

std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<uint8_t>(utf8[i]);
    uint32_t code = c;
    size_t extra = 0;
    if (c >= 0xF0) {
      code = c & 0x07;
      extra = 3;
    } else if (c >= 0xE0) {
      code = c & 0x0F;
      extra = 2;
    } else if (c >= 0xC0) {
      code = c & 0x1F;
      extra = 1;
    }
    for (size_t k = 1; k <= extra && i + k < utf8.size(); ++k) {
      code = (code << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
    }
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
  }
  return out;
}

bool ParseVersion(const std::string& text, std::array<uint16_t, 4>* version) {
  std::array<uint16_t, 4> parts = {0, 0, 0, 0};
  size_t part = 0;
  uint32_t value = 0;
  bool digits = false;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '.') {
      if (!digits || part >= 4) return false;
      parts[part++] = static_cast<uint16_t>(value);
      value = 0;
      digits = false;
    } else if (text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<uint32_t>(text[i] - '0');
      if (value > 0xFFFF) return false;
      digits = true;
    } else {
      return false;
    }
  }
  *version = parts;
  return true;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One node of the version information: its length, the value's length, its
// type (1 text, 0 binary), the key, the value and the children, each
// started on a 4-byte boundary.
class VersionNode {
 public:
  VersionNode(const std::string& key, bool text) : key_(Utf16(key)), text_(text) {}

  void SetText(const std::string& utf8) {
    const std::u16string text = Utf16(utf8) + u'\0';
    value_.clear();
    for (char16_t c : text) PutFixed16(&value_, c);
    value_length_ = static_cast<uint16_t>(text.size());
  }
  void SetBinary(const std::string& bytes) {
    value_ = bytes;
    value_length_ = static_cast<uint16_t>(bytes.size());
  }
  void Add(const VersionNode& child) { children_.push_back(child.Bytes()); }

  std::string Bytes() const {
    std::string out(6, '\0');
    for (char16_t c : key_) PutFixed16(&out, c);
    PutFixed16(&out, 0);
    Pad(&out);
    out += value_;
    for (const std::string& child : children_) {
      Pad(&out);
      out += child;
    }
    auto* p = reinterpret_cast<uint8_t*>(&out[0]);
    EncodeFixed16(p, static_cast<uint16_t>(out.size()));
    EncodeFixed16(p + 2, value_length_);
    EncodeFixed16(p + 4, text_ ? 1 : 0);
    return out;
  }

 private:
  static void Pad(std::string* out) { out->resize((out->size() + 3) & ~size_t{3}, '\0'); }

  std::u16string key_;
  bool text_;
  std::string value_;
  uint16_t value_length_ = 0;
  std::vector<std::string> children_;
};

std::string FixedFileInfo(const SetupIdentity& identity) {
  const auto& v = identity.version;
  const uint32_t high = (uint32_t{v[0]} << 16) | v[1];
  const uint32_t low = (uint32_t{v[2]} << 16) | v[3];
  std::string out;
  for (uint32_t field :
       {kFixedInfoSignature, kFixedInfoVersion, high, low, high, low, kFileFlagsMask, uint32_t{0},
        kFileOsNtWindows32, kFileTypeApplication, uint32_t{0}, uint32_t{0}, uint32_t{0}}) {
    PutFixed32(&out, field);
  }
  return out;
}

std::string ShownValue(const std::string& text) { return text.empty() ? "(none)" : text; }

}  // namespace

SetupIdentity ReadSetupIdentity(const Package& package, Findings* findings) {
  SetupIdentity identity;
  const PackageEntry* job_ini = package.Find(JobFilePath(kJobIniFile));
  if (job_ini == nullptr || job_ini->folder || !job_ini->converted) return identity;
  const JobText job(job_ini->content);
  const uint32_t cp = package.Codec().CodePage();
  auto text = [&job, cp](const char* key) {
    std::string utf8;
    return platform::CodePageToUtf8(job.Value(key), cp, &utf8) ? utf8 : std::string();
  };
  identity.product_name = text(job_key::kAppName);
  identity.publisher = text(job_key::kPublisher);
  identity.copyright = text(job_key::kCopyright);
  identity.description = text(job_key::kDescription);
  if (identity.description.empty() && !identity.product_name.empty()) {
    identity.description = identity.product_name + " Setup";
  }
  const auto at = [job_ini](const JobLine* line) {
    return job_ini->shown + ":" + std::to_string(line->number) + ": ";
  };
  if (const JobLine* line = job.Find(job_key::kVersion); line != nullptr && !line->value.empty()) {
    if (ParseVersion(line->value, &identity.version)) {
      identity.has_version = true;
    } else {
      findings->errors.push_back(at(line) + "Version '" + line->value +
                                 "' must be one to four numbers from 0 to 65535 separated by "
                                 "dots, as in 1.4.2");
    }
  }
  const auto& v = identity.version;
  identity.version_text = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                          std::to_string(v[2]) + "." + std::to_string(v[3]);
  if (const JobLine* line = job.Find(job_key::kPrivileges); line != nullptr) {
    bool known = false;
    for (const Privilege& p : kPrivileges) {
      if (SameKey(line->value, p.key)) {
        identity.execution_level = p.level;
        identity.privileges_given = known = true;
      }
    }
    if (!known) {
      findings->errors.push_back(at(line) + "Privileges '" + line->value +
                                 "' must be admin, user or highest");
    }
  }
  const std::string icon_name = job.Value(job_key::kIcon);
  const PackageEntry* icon = icon_name.empty() ? nullptr : package.Find("\\" + icon_name);
  if (icon != nullptr && !icon->folder) {
    identity.icon_shown = icon->shown;
    identity.icon = ReadWhole(*icon);
  }
  return identity;
}

std::vector<std::string> DescribeIdentity(const SetupIdentity& identity) {
  std::vector<std::string> lines;
  if (identity.icon.empty()) {
    lines.push_back("icon: the installer program's own (no Icon)");
  } else {
    const uint16_t images =
        DecodeFixed16(reinterpret_cast<const uint8_t*>(identity.icon.data()) + 4);
    lines.push_back("icon: " + identity.icon_shown + " (" + std::to_string(images) +
                    (images == 1 ? " image)" : " images)"));
  }
  lines.push_back("ProductName: " + ShownValue(identity.product_name));
  lines.push_back("CompanyName: " + ShownValue(identity.publisher));
  lines.push_back("LegalCopyright: " + ShownValue(identity.copyright));
  lines.push_back("FileDescription: " + ShownValue(identity.description));
  lines.push_back("FileVersion, ProductVersion: " +
                  (identity.has_version ? identity.version_text : std::string("(none)")));
  lines.push_back("requestedExecutionLevel: " + identity.execution_level +
                  (identity.privileges_given ? "" : " (the default)"));
  lines.push_back("supportedOS: Windows Vista, 7, 8, 8.1, 10 and 11");
  return lines;
}

std::string VersionResource(const SetupIdentity& identity) {
  VersionNode strings("040904B0", true);
  const std::pair<const char*, std::string> values[] = {
      {"CompanyName", identity.publisher},
      {"FileDescription", identity.description},
      {"FileVersion", identity.has_version ? identity.version_text : std::string()},
      {"LegalCopyright", identity.copyright},
      {"ProductName", identity.product_name},
      {"ProductVersion", identity.has_version ? identity.version_text : std::string()},
  };
  for (const auto& value : values) {
    if (value.second.empty()) continue;
    VersionNode node(value.first, true);
    node.SetText(value.second);
    strings.Add(node);
  }
  VersionNode string_info("StringFileInfo", true);
  string_info.Add(strings);
  VersionNode translation("Translation", false);
  std::string pair;
  PutFixed16(&pair, kLanguageEnglishUs);
  PutFixed16(&pair, kUnicodeCodePage);
  translation.SetBinary(pair);
  VersionNode var_info("VarFileInfo", true);
  var_info.Add(translation);
  VersionNode root("VS_VERSION_INFO", false);
  root.SetBinary(FixedFileInfo(identity));
  root.Add(string_info);
  root.Add(var_info);
  return root.Bytes();
}

std::string ManifestText(const SetupIdentity& identity) {
  std::string name;
  for (char c : identity.product_name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (plain || c == '.' || c == '-' || c == '_') name += c;
  }
  name = (name.empty() ? std::string("Application") : name) + ".Setup";
  const std::string version = identity.has_version ? identity.version_text : "1.0.0.0";
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
      "  <assemblyIdentity type=\"win32\" name=\"" +
      name + "\" version=\"" + version +
      "\" processorArchitecture=\"*\"/>\r\n"
      "  <description>" +
      XmlEscaped(identity.description) +
      "</description>\r\n"
      "  <dependency>\r\n"
      "    <dependentAssembly>\r\n"
      "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
      "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
      "language=\"*\"/>\r\n"
      "    </dependentAssembly>\r\n"
      "  </dependency>\r\n"
      "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
      "    <security>\r\n"
      "      <requestedPrivileges>\r\n"
      "        <requestedExecutionLevel level=\"" +
      identity.execution_level +
      "\" uiAccess=\"false\"/>\r\n"
      "      </requestedPrivileges>\r\n"
      "    </security>\r\n"
      "  </trustInfo>\r\n"
      "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\r\n"
      "    <application>\r\n";
  for (const char* os : kSupportedOs) {
    xml += "      <supportedOS Id=\"" + std::string(os) + "\"/>\r\n";
  }
  // The window scales its layout, fonts and pictures to the system's DPI
  // itself: declared DPI-aware, Windows neither stretches it (blurred) nor
  // lets its text outgrow the controls.
  xml +=
      "    </application>\r\n"
      "  </compatibility>\r\n"
      "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
      "    <windowsSettings>\r\n"
      "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true"
      "</dpiAware>\r\n"
      "    </windowsSettings>\r\n"
      "  </application>\r\n"
      "</assembly>\r\n";
  return xml;
}

bool SetMainIcon(ResourceTree* tree, const std::string& icon, std::string* why) {
  *why = IconProblem(icon);
  if (!why->empty()) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(icon.data());
  ResourceNames& groups = (*tree)[ResourceKey::Id(kResourceGroupIcon)];
  ResourceNames& images = (*tree)[ResourceKey::Id(kResourceIcon)];
  ResourceKey main = ResourceKey::Id(1);
  uint16_t language = kLanguageEnglishUs;
  if (!groups.empty()) {
    main = groups.begin()->first;
    if (!groups.begin()->second.empty()) language = groups.begin()->second.begin()->first;
    // The images of the old main group go, unless another group shows them.
    std::set<uint32_t> old_ids;
    std::set<uint32_t> kept_ids;
    for (const auto& group : groups) {
      for (const auto& by_language : group.second) {
        const std::string& g = by_language.second.bytes;
        const size_t count = g.size() >= kIconDirSize
                                 ? DecodeFixed16(reinterpret_cast<const uint8_t*>(g.data()) + 4)
                                 : 0;
        for (size_t i = 0; i < count && kIconDirSize + (i + 1) * kGroupEntrySize <= g.size(); ++i) {
          const uint16_t id = DecodeFixed16(reinterpret_cast<const uint8_t*>(g.data()) +
                                            kIconDirSize + i * kGroupEntrySize + 12);
          (group.first == main ? old_ids : kept_ids).insert(id);
        }
      }
    }
    for (uint32_t id : old_ids) {
      if (kept_ids.count(id) == 0) images.erase(ResourceKey::Id(id));
    }
  }
  uint32_t next_id = 1;
  for (const auto& image : images) {
    if (!image.first.Named()) next_id = std::max(next_id, image.first.id + 1);
  }
  const uint16_t count = DecodeFixed16(bytes + 4);
  std::string group;
  PutFixed16(&group, 0);
  PutFixed16(&group, 1);
  PutFixed16(&group, count);
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* entry = bytes + kIconDirSize + size_t{i} * kIconEntrySize;
    const uint32_t size = DecodeFixed32(entry + 8);
    const uint32_t offset = DecodeFixed32(entry + 12);
    group.append(reinterpret_cast<const char*>(entry), 12);
    PutFixed16(&group, static_cast<uint16_t>(next_id));
    images[ResourceKey::Id(next_id)] = {{language, {icon.substr(offset, size), 0}}};
    ++next_id;
  }
  groups[main] = {{language, {group, 0}}};
  return true;
}

std::string StampProgram(const std::string& program, const SetupIdentity& identity,
                         std::string* why) {
  ResourceTree tree;
  if (!ProgramResources(program, &tree, why)) return std::string();
  if (!identity.icon.empty() && !SetMainIcon(&tree, identity.icon, why)) {
    *why = identity.icon_shown + ": " + *why;
    return std::string();
  }
  tree[ResourceKey::Id(kResourceVersion)] = {
      {ResourceKey::Id(kVersionId), {{kLanguageEnglishUs, {VersionResource(identity), 0}}}}};
  tree[ResourceKey::Id(kResourceManifest)] = {
      {ResourceKey::Id(kManifestId), {{kLanguageEnglishUs, {ManifestText(identity), 0}}}}};
  return ReplaceResources(program, tree, why);
}

}  // namespace vor::vorpack
