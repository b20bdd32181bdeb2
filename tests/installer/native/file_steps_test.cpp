// The installation's file steps against a file system of the test's own, which behaves as
// Windows does where Wine (run as root) does not: a read-only file refuses to be replaced or
// deleted; a file in use refuses for as many tries as the test says, or for good.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "file_steps.h"

namespace installer {
namespace {

using namespace std::chrono_literals;

class FakeFileSystem : public FileSystem {
 public:
  struct File {
    std::string contents;
    std::uint32_t attributes = 0;
    int busyTries = 0;         // tries refused as in use, then free; -1: in use for good
    bool renamable = true;     // a mapped file can be renamed; one open without delete sharing cannot
  };
  std::map<std::wstring, File> files;
  std::vector<std::wstring> deletedAtRestart;
  std::chrono::milliseconds paused{0};
  bool canMakeUniqueFiles = true;
  bool canScheduleDeletions = true;

  std::uint32_t Attributes(const std::wstring& path) override {
    const auto file = files.find(path);
    return file == files.end() ? kNoAttributes : file->second.attributes;
  }
  std::uint32_t SetAttributes(const std::wstring& path, std::uint32_t attributes) override {
    if (!files.count(path)) return kFileNotFound;
    files[path].attributes = attributes;
    return kNoError;
  }
  std::uint32_t Copy(const std::wstring& source, const std::wstring& target) override {
    if (!files.count(source)) return kFileNotFound;
    if (const auto refused = Refusal(target)) return refused;
    files[target] = File{files[source].contents};
    return kNoError;
  }
  std::uint32_t Delete(const std::wstring& path) override {
    if (!files.count(path)) return kFileNotFound;
    if (const auto refused = Refusal(path)) return refused;
    files.erase(path);
    return kNoError;
  }
  std::uint32_t Rename(const std::wstring& from, const std::wstring& to) override {
    if (!files.count(from)) return kFileNotFound;
    if (!files[from].renamable) return kSharingViolation;
    File moved = files[from];
    files.erase(from);
    files[to] = moved;
    return kNoError;
  }
  std::uint32_t DeleteAtRestart(const std::wstring& path) override {
    if (!canScheduleDeletions) return kAccessDenied;
    deletedAtRestart.push_back(path);
    return kNoError;
  }
  std::wstring UniqueFileBeside(const std::wstring& path) override {
    if (!canMakeUniqueFiles) return {};
    const std::wstring name = path.substr(0, path.rfind(L'\\') + 1) + L"duv" + std::to_wstring(++made_) + L".tmp";
    files[name] = File{};
    return name;
  }
  void Pause(std::chrono::milliseconds length) override { paused += length; }

 private:
  // Windows refuses to write or delete a read-only file (access denied) and a file in use.
  std::uint32_t Refusal(const std::wstring& path) {
    const auto file = files.find(path);
    if (file == files.end()) return kNoError;
    if (file->second.attributes & kReadOnlyAttribute) return kAccessDenied;
    if (file->second.busyTries < 0) return kSharingViolation;
    if (file->second.busyTries > 0) return --file->second.busyTries, kSharingViolation;
    return kNoError;
  }
  int made_ = 0;
};

const std::wstring kSource = L"D:\\Setup\\Duvisto.dll";
const std::wstring kTarget = L"C:\\Plus\\Plugins\\Duvisto.dll";

class FileStepsTest : public ::testing::Test {
 protected:
  void SetUp() override { fs_.files[kSource] = {"new"}; }
  FakeFileSystem fs_;
};

// An earlier installation from a CD left a read-only copy; the host or a scanner holds the
// target for a moment after the reset program's start, or for good.
TEST_F(FileStepsTest, CopyOverReadOnlyOrBusyTargetWaitsAFewSecondsThenGivesUp) {
  fs_.files[kTarget] = {"old", kReadOnlyAttribute};
  EXPECT_EQ(CopyOver(fs_, kSource, kTarget), kNoError);
  EXPECT_EQ(fs_.files[kTarget].contents, "new");
  EXPECT_EQ(fs_.paused, 0ms);

  fs_.files[kTarget] = {"old", 0, 5};
  EXPECT_EQ(CopyOver(fs_, kSource, kTarget), kNoError);
  EXPECT_EQ(fs_.files[kTarget].contents, "new");
  EXPECT_EQ(fs_.paused, 5 * kCopyPatience.step);

  fs_.paused = 0ms;
  fs_.files[kTarget] = {"old", 0, -1};
  EXPECT_EQ(CopyOver(fs_, kSource, kTarget), kSharingViolation);
  EXPECT_EQ(fs_.files[kTarget].contents, "old");
  EXPECT_GE(fs_.paused, 2s);
  EXPECT_LE(fs_.paused, 5s);

  // Anything but a file in use fails at once.
  fs_.paused = 0ms;
  EXPECT_EQ(CopyOver(fs_, L"D:\\Setup\\missing.dll", kTarget), kFileNotFound);
  EXPECT_EQ(fs_.paused, 0ms);
}

TEST_F(FileStepsTest, RemovalDeletesWhatItCanAndWaitsAboutASecondForAFileInUse) {
  EXPECT_EQ(RemoveFile(fs_, kTarget).removal, Removal::NotThere);
  fs_.files[kTarget] = {"old", kReadOnlyAttribute};
  EXPECT_EQ(RemoveFile(fs_, kTarget).removal, Removal::Removed);
  EXPECT_FALSE(fs_.files.count(kTarget));

  fs_.files[kTarget] = {"old", 0, 3};  // a scanner reading it for a moment
  EXPECT_EQ(RemoveFile(fs_, kTarget).removal, Removal::Removed);
  EXPECT_EQ(fs_.paused, 3 * kRemovalPatience.step);
  EXPECT_TRUE(fs_.deletedAtRestart.empty());
}

// Held for good: renamed in its own folder when it can be (its name free at once), else left to
// the restart under its own name; and when not even that is allowed, a failure with the reason.
TEST_F(FileStepsTest, RemovalOfAFileHeldForGoodRenamesItInItsFolderOrLeavesItToTheRestart) {
  fs_.files[kTarget] = {"loaded", 0, -1, true};
  RemovalResult result = RemoveFile(fs_, kTarget);
  EXPECT_EQ(result.removal, Removal::RenamedAside);
  EXPECT_FALSE(fs_.files.count(kTarget));
  EXPECT_EQ(result.renamedTo.substr(0, result.renamedTo.rfind(L'\\')), L"C:\\Plus\\Plugins");
  EXPECT_EQ(fs_.files[result.renamedTo].contents, "loaded");
  EXPECT_EQ(fs_.deletedAtRestart, std::vector<std::wstring>{result.renamedTo});
  EXPECT_GE(fs_.paused, 900ms);
  EXPECT_LE(fs_.paused, 1500ms);

  fs_ = FakeFileSystem{};
  fs_.files[kTarget] = {"open", 0, -1, false};
  result = RemoveFile(fs_, kTarget);
  EXPECT_EQ(result.removal, Removal::AtRestart);
  EXPECT_EQ(fs_.deletedAtRestart, std::vector<std::wstring>{kTarget});
  EXPECT_EQ(fs_.files.size(), 1u) << "the unique name it could not use is not left behind";

  fs_ = FakeFileSystem{};
  fs_.canMakeUniqueFiles = false;
  fs_.files[kTarget] = {"loaded", 0, -1, true};
  EXPECT_EQ(RemoveFile(fs_, kTarget).removal, Removal::AtRestart);

  fs_ = FakeFileSystem{};
  fs_.canMakeUniqueFiles = false;
  fs_.canScheduleDeletions = false;
  fs_.files[kTarget] = {"loaded", 0, -1, true};
  result = RemoveFile(fs_, kTarget);
  EXPECT_EQ(result.removal, Removal::Failed);
  EXPECT_EQ(result.error, kSharingViolation);

  // The running uninstaller is not waited for.
  fs_ = FakeFileSystem{};
  fs_.files[kTarget] = {"running", 0, -1, true};
  EXPECT_EQ(RemoveFile(fs_, kTarget, Patience{}).removal, Removal::RenamedAside);
  EXPECT_EQ(fs_.paused, 0ms);
}

}  // namespace
}  // namespace installer
