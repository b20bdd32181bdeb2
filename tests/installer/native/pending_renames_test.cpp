// The system's list of renames and deletions at the next start, as an installation takes back
// those that would undo it.
#include <gtest/gtest.h>

#include "install_paths.h"
#include "pending_renames.h"

namespace installer {
namespace {

using namespace std::string_literals;

TEST(PendingRenames, ReadAndStoredInTheSystemsForm) {
  const std::wstring data = L"\\??\\C:\\a.dll\0\0\\??\\C:\\b.tmp\0!\\??\\C:\\b.dll\0\0"s;
  const auto operations = ReadPendingOperations(data);
  ASSERT_EQ(operations.size(), 2u);
  EXPECT_EQ(operations[0].source, L"\\??\\C:\\a.dll");
  EXPECT_EQ(operations[0].target, L"");
  EXPECT_EQ(operations[1].target, L"!\\??\\C:\\b.dll");
  EXPECT_EQ(StoredPendingOperations(operations), data);
  EXPECT_TRUE(ReadPendingOperations(L""s).empty());
  EXPECT_TRUE(ReadPendingOperations(L"\0"s).empty());
  EXPECT_EQ(ReadPendingOperations(L"\\??\\C:\\a.dll\0\0"s).size(), 1u);  // no closing zero of the list
}

TEST(PendingRenames, AnInstallationTakesBackWhatWouldDeleteOrMoveItsFilesAndNothingElse) {
  const std::vector<PendingOperation> operations = {
      {L"\\??\\C:\\Program Files\\Plus\\Plugins\\Duvisto.dll", L""},
      {L"\\??\\C:\\Windows\\Temp\\other.tmp", L""},
      {L"\\??\\c:\\program files\\plus\\plugins\\\\DUVISTO.DLL", L"\\??\\C:\\elsewhere.dll"},
      {L"\\??\\C:\\Program Files\\Duvisto\\Duvisto-uninstall.exe", L""},
      {L"\\??\\C:\\Program Files\\Duvisto", L""},
      {L"\\??\\C:\\Program Files\\Plus\\Plugins\\Duvisto.dll.old", L""},
  };
  const auto kept = WithoutUndoing(operations, {L"C:\\Program Files\\Plus\\Plugins\\Duvisto.dll",
                                                L"C:\\Program Files\\Duvisto\\Duvisto-uninstall.exe",
                                                L"C:\\Program Files\\Duvisto"});
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].source, L"\\??\\C:\\Windows\\Temp\\other.tmp");
  EXPECT_EQ(kept[1].source, L"\\??\\C:\\Program Files\\Plus\\Plugins\\Duvisto.dll.old");
}

TEST(PendingRenames, SameFileWhateverTheSpellingButNotAnotherFile) {
  EXPECT_TRUE(SameFilePath(L"C:\\Plus\\Plugins\\Duvisto.dll", L"c:/plus/PLUGINS//duvisto.DLL"));
  EXPECT_TRUE(SameFilePath(L"\\??\\C:\\Plus\\Duvisto.dll", L"C:\\Plus\\Duvisto.dll"));
  EXPECT_TRUE(SameFilePath(L"\\\\?\\C:\\Plus\\Duvisto.dll", L"C:\\Plus\\\\Duvisto.dll"));
  EXPECT_TRUE(SameFilePath(L"\\\\server\\share\\Duvisto.dll", L"\\\\SERVER\\share\\Duvisto.dll"));
  EXPECT_TRUE(SameFilePath(L"C:\\Caf\u00e9\\a.dll", L"C:\\CAF\u00c9\\A.DLL"));
  EXPECT_FALSE(SameFilePath(L"\\\\server\\share\\Duvisto.dll", L"\\server\\share\\Duvisto.dll"));
  EXPECT_FALSE(SameFilePath(L"C:\\Plus\\Duvisto.dll", L"C:\\Plus\\Duvisto.dll.old"));
  EXPECT_FALSE(SameFilePath(L"C:\\Plus\\Duvisto.dll", L"D:\\Plus\\Duvisto.dll"));
}

}  // namespace
}  // namespace installer
