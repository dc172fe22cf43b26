// The job package read from the container.
#include "package/job.h"

#include <cstdint>

#include "common/error.h"
#include "container/coffer.h"
#include "container/stream/file_stream.h"

namespace vor {

std::string ReplaceProgramDir(const std::string& value, const std::string& folder) {
  const std::string placeholder = kProgramDirPlaceholder;
  std::string result;
  size_t pos = 0;
  for (;;) {
    const size_t found = value.find(placeholder, pos);
    if (found == std::string::npos) break;
    result.append(value, pos, found - pos);
    result += folder;
    pos = found + placeholder.size();
  }
  result.append(value, pos, std::string::npos);
  return result;
}

const std::vector<JobFile>& JobFiles() {
  static const std::vector<JobFile> files = {
      {kJobIniFile, JobFileKind::kJobIni},       {kMenuFile, JobFileKind::kMenu},
      {kShortcutsFile, JobFileKind::kShortcuts}, {kExecsFile, JobFileKind::kExecs},
      {kLicenseFile, JobFileKind::kLicense},     {kReadmeFile, JobFileKind::kReadme},
  };
  return files;
}

std::string JobFilePath(const std::string& name) { return "\\" + name; }

std::unique_ptr<TCoffer> OpenJobContainer(const std::string& program_path) {
  return std::make_unique<TCoffer>(program_path, 0, kJobPassword, "", "", 0);
}

void ReadJob(TCoffer& container, Job* job, const JobFileHandler& on_file) {
  for (const JobFile& file : JobFiles()) {
    const std::string path = JobFilePath(file.name);
    if (!container.FileExists(path)) continue;
    const std::string bytes = ReadJobFile(container, path);
    switch (file.kind) {
      case JobFileKind::kJobIni:
        job->ini.SetText(bytes);
        break;
      case JobFileKind::kMenu:
        job->menu.SetText(bytes);
        break;
      case JobFileKind::kShortcuts:
        job->shortcuts.SetText(bytes);
        break;
      case JobFileKind::kExecs:
        job->execs.SetText(bytes);
        break;
      case JobFileKind::kLicense:
      case JobFileKind::kReadme:
        break;
    }
    if (on_file) on_file(file.kind, bytes);
  }
  // "\" alone (an empty or absent Icon) names no file.
  const std::string icon = JobFilePath(job->Value(job_key::kIcon));
  if (container.FileExists(icon)) job->icon = ParseIcon(ReadJobFile(container, icon));
  job->app_name = job->Value(job_key::kAppName);
  job->exe_name = job->Value(job_key::kExeName);
}

std::string ReadJobFile(TCoffer& container, const std::string& path) {
  // Read-only, no password, the stored compression; the stream lives only
  // while the file is read.
  TCFRFileStream stream(&container, path, 0, "", "", "", 0);
  const int64_t remaining = stream.Size() - stream.Position();
  std::string bytes;
  if (remaining <= 0) return bytes;
  if (remaining > INT32_MAX)
    throw EVorError("TForm1.LoadJob - job file too large: " + path, ErrorKind::kDamaged);
  bytes.resize(static_cast<size_t>(remaining));
  const int32_t read = stream.Read(bytes.data(), static_cast<int32_t>(remaining));
  bytes.resize(read > 0 ? static_cast<size_t>(read) : 0);
  return bytes;
}

}  // namespace vor
