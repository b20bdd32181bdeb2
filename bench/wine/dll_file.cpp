// (d) The stripped Duvisto.dll beside this program, read as a file: its size beside the floors'
// (built and stripped the same way), and the names in its PE import directory. The DLL is copied
// alone into the host's folder, so it may import nothing but DLLs every Windows has.
#include "dll_file.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "com_server.h"
#include "failure.h"
#include "unique_any.h"

namespace bench {
namespace {

constexpr double kTargetKiB = 256;
constexpr double kTargetRatio = 1.05;  // what the plug-in adds to a _Browse built and linked the same way
constexpr const char* kSystemDlls[] = {"kernel32.dll", "user32.dll", "gdi32.dll",   "advapi32.dll", "ole32.dll",
                                       "oleaut32.dll", "msvcrt.dll", "shell32.dll", "comctl32.dll"};

std::vector<char> ReadWholeFile(const std::wstring& path) {
  const duvisto::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) Check(HRESULT_FROM_WIN32(GetLastError()), "opening a DLL");
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) Check(HRESULT_FROM_WIN32(GetLastError()), "GetFileSizeEx");
  std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
    Check(HRESULT_FROM_WIN32(GetLastError()), "reading a DLL");
  return bytes;
}

// A structure at `offset` in the file, if it lies wholly inside.
template <typename T>
std::optional<T> ReadAt(const std::vector<char>& file, size_t offset) {
  if (offset > file.size() || file.size() - offset < sizeof(T)) return std::nullopt;
  T value;
  std::memcpy(&value, file.data() + offset, sizeof(T));
  return value;
}

class PeFile {
 public:
  explicit PeFile(std::vector<char> bytes) : bytes_(std::move(bytes)) {
    const auto dos = ReadAt<IMAGE_DOS_HEADER>(bytes_, 0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) throw Failure("Duvisto.dll has no DOS header");
    const auto nt = ReadAt<IMAGE_NT_HEADERS32>(bytes_, dos->e_lfanew);
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
      throw Failure("Duvisto.dll is not a 32-bit PE file");
    nt_ = *nt;
    sectionsAt_ = dos->e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader;
  }

  std::vector<std::string> ImportedDllNames() const {
    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY directory = nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return names;
    const size_t first = FileOffset(directory.VirtualAddress);
    for (size_t at = first;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      const auto descriptor = ReadAt<IMAGE_IMPORT_DESCRIPTOR>(bytes_, at);
      if (!descriptor) throw Failure("Duvisto.dll's import directory runs off the file");
      if (descriptor->Name == 0) return names;  // the all-zero entry that ends it
      names.push_back(StringAt(FileOffset(descriptor->Name)));
    }
  }

 private:
  size_t FileOffset(DWORD rva) const {
    for (WORD i = 0; i < nt_.FileHeader.NumberOfSections; ++i) {
      const auto section = ReadAt<IMAGE_SECTION_HEADER>(bytes_, sectionsAt_ + i * sizeof(IMAGE_SECTION_HEADER));
      if (!section) break;
      const DWORD extent = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
      if (rva >= section->VirtualAddress && rva - section->VirtualAddress < extent)
        return rva - section->VirtualAddress + section->PointerToRawData;
    }
    throw Failure("an address in Duvisto.dll lies in no section");
  }

  std::string StringAt(size_t offset) const {
    if (offset >= bytes_.size()) throw Failure("a name in Duvisto.dll lies outside the file");
    const char* start = bytes_.data() + offset;
    const void* end = std::memchr(start, '\0', bytes_.size() - offset);
    if (!end) throw Failure("a name in Duvisto.dll is not terminated");
    return std::string(start, static_cast<const char*>(end));
  }

  std::vector<char> bytes_;
  IMAGE_NT_HEADERS32 nt_{};
  size_t sectionsAt_ = 0;
};

bool IsSystemDll(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  return std::find(std::begin(kSystemDlls), std::end(kSystemDlls), name) != std::end(kSystemDlls);
}

}  // namespace

Section DllFileFigures() {
  std::vector<char> bytes = ReadWholeFile(BesideThisProgram(kPluginDll));
  const double sizeKiB = static_cast<double>(bytes.size()) / 1024;
  const size_t floorBytes = ReadWholeFile(BesideThisProgram(kFloorDll)).size();
  const size_t emptyFloorBytes = ReadWholeFile(BesideThisProgram(kEmptyFloorDll)).size();

  Figure size;
  size.key = "dll_size";
  size.label = "Duvisto.dll on disk (bin/, stripped)";
  size.unit = "KiB";
  size.plugin = Single(sizeKiB);
  size.floor = Single(static_cast<double>(floorBytes) / 1024);
  size.targets = {{"< 256 KiB", sizeKiB < kTargetKiB}, {"ratio <= 1.05", size.Ratio() <= kTargetRatio}};
  size.note = std::to_string(bytes.size()) + " bytes; BrowseFloor.dll " + std::to_string(floorBytes) + " bytes";

  Figure emptyFloorSize;
  emptyFloorSize.key = "dll_size_empty_floor";
  emptyFloorSize.label = "  against the empty floor, BrowseFloorEmpty.dll";
  emptyFloorSize.unit = "KiB";
  emptyFloorSize.plugin = size.plugin;
  emptyFloorSize.floor = Single(static_cast<double>(emptyFloorBytes) / 1024);
  emptyFloorSize.note = std::to_string(emptyFloorBytes) + " bytes";

  Figure imports;
  imports.key = "dll_imports";
  imports.label = "Duvisto.dll imports";
  imports.items = PeFile(std::move(bytes)).ImportedDllNames();
  imports.targets = {{"system DLLs only", std::all_of(imports.items.begin(), imports.items.end(), IsSystemDll)}};
  return {"(d) Duvisto.dll as a file, beside the floor DLLs", {size, emptyFloorSize, imports}};
}

}  // namespace bench
