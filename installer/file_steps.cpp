#include "file_steps.h"

namespace installer {
namespace {

// Runs `attempt` until it works, fails for another reason than a file in use, or the patience
// is spent. Answers its last error.
template <typename Attempt>
std::uint32_t WithPatience(FileSystem& files, Patience patience, Attempt attempt) {
  std::uint32_t error = attempt();
  for (auto waited = std::chrono::milliseconds(0); IsInUse(error) && waited < patience.total;
       waited += patience.step) {
    files.Pause(patience.step);
    error = attempt();
  }
  return error;
}

void ClearReadOnly(FileSystem& files, const std::wstring& path) {
  const std::uint32_t attributes = files.Attributes(path);
  if (attributes != kNoAttributes && (attributes & kReadOnlyAttribute)) {
    files.SetAttributes(path, attributes & ~kReadOnlyAttribute);
  }
}

}  // namespace

bool IsInUse(std::uint32_t error) {
  return error == kSharingViolation || error == kAccessDenied || error == kLockViolation || error == kUserMappedFile;
}

std::uint32_t CopyOver(FileSystem& files, const std::wstring& source, const std::wstring& target, Patience patience) {
  ClearReadOnly(files, target);
  return WithPatience(files, patience, [&] { return files.Copy(source, target); });
}

RemovalResult RemoveFile(FileSystem& files, const std::wstring& path, Patience patience) {
  ClearReadOnly(files, path);
  const std::uint32_t error = WithPatience(files, patience, [&] { return files.Delete(path); });
  if (error == kNoError) return {Removal::Removed, kNoError, {}};
  if (error == kFileNotFound || error == kPathNotFound) return {Removal::NotThere, kNoError, {}};
  if (!IsInUse(error)) return {Removal::Failed, error, {}};
  if (const std::wstring aside = files.UniqueFileBeside(path); !aside.empty()) {
    if (files.Rename(path, aside) == kNoError) {
      // The name is free now. Should the deletion at restart be refused, what is left is a
      // file of a name nobody uses, beside the installation.
      files.DeleteAtRestart(aside);
      return {Removal::RenamedAside, kNoError, aside};
    }
    files.Delete(aside);
  }
  if (files.DeleteAtRestart(path) == kNoError) return {Removal::AtRestart, kNoError, {}};
  return {Removal::Failed, error, {}};
}

}  // namespace installer
