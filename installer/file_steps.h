// Copying a file of the installation into place and taking one away, whatever holds it for the
// moment, written against the few file operations they need so that the decisions (clear the
// read-only mark, wait for a file in use, rename it aside, leave it to the next restart) are
// the same in the installer and in the tests that hand these steps a file system of their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace installer {

// The system's codes and marks, by value, so that this file needs no windows.h.
inline constexpr std::uint32_t kNoError = 0;
inline constexpr std::uint32_t kFileNotFound = 2;       // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kPathNotFound = 3;       // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t kAccessDenied = 5;       // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
inline constexpr std::uint32_t kLockViolation = 33;     // ERROR_LOCK_VIOLATION
inline constexpr std::uint32_t kUserMappedFile = 1224;  // ERROR_USER_MAPPED_FILE
inline constexpr std::uint32_t kReadOnlyAttribute = 0x1;          // FILE_ATTRIBUTE_READONLY
inline constexpr std::uint32_t kNoAttributes = 0xFFFFFFFF;        // INVALID_FILE_ATTRIBUTES

// The operations, each answering with the system's error code (kNoError when it worked).
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual std::uint32_t Attributes(const std::wstring& path) = 0;  // kNoAttributes when unreadable
  virtual std::uint32_t SetAttributes(const std::wstring& path, std::uint32_t attributes) = 0;
  virtual std::uint32_t Copy(const std::wstring& source, const std::wstring& target) = 0;  // overwriting
  virtual std::uint32_t Delete(const std::wstring& path) = 0;
  // A rename on the same volume that replaces an existing target.
  virtual std::uint32_t Rename(const std::wstring& from, const std::wstring& to) = 0;
  virtual std::uint32_t DeleteAtRestart(const std::wstring& path) = 0;
  // A new, empty file of a name no other file has, in the given file's own folder; empty when
  // none can be made there.
  virtual std::wstring UniqueFileBeside(const std::wstring& path) = 0;
  virtual void Pause(std::chrono::milliseconds length) = 0;
};

// A file held by another program for a moment: a virus scanner reading it, a host still
// closing after its reset program was started.
bool IsInUse(std::uint32_t error);

// How long a step waits for a file in use before it gives up or falls back, and how often it
// tries within that time.
struct Patience {
  std::chrono::milliseconds total{0};
  std::chrono::milliseconds step{100};
};
inline constexpr Patience kCopyPatience{std::chrono::milliseconds(3000), std::chrono::milliseconds(250)};
inline constexpr Patience kRemovalPatience{std::chrono::milliseconds(1000), std::chrono::milliseconds(100)};

// Copies source over target. A read-only target (an earlier installation from a CD keeps the
// mark of its source) loses the mark first, as the copy refuses it; a target in use is tried
// again within the patience given. Answers the last error.
std::uint32_t CopyOver(FileSystem& files, const std::wstring& source, const std::wstring& target,
                       Patience patience = kCopyPatience);

enum class Removal {
  Removed,       // deleted now
  NotThere,      // there was no such file
  RenamedAside,  // in use: renamed in its own folder, and that name deleted when Windows restarts
  AtRestart,     // in use and not renamed: its own name is deleted when Windows restarts
  Failed,        // none of these worked; `error` says why
};

struct RemovalResult {
  Removal removal = Removal::Failed;
  std::uint32_t error = kNoError;
  std::wstring renamedTo;  // for RenamedAside
};

// Windows deletes no file that is mapped as a running program or a loaded DLL, and none that is
// open without delete sharing. A file in use is tried again within the patience given; then it
// is renamed to a name of its own in its own folder (a mapped file can be renamed, and a rename
// in one folder never crosses a volume), which frees its name at once for a new installation,
// and that name is deleted at the next restart. A file that cannot even be renamed is left to
// the restart under its own name. A read-only file loses the mark first.
RemovalResult RemoveFile(FileSystem& files, const std::wstring& path, Patience patience = kRemovalPatience);

}  // namespace installer
