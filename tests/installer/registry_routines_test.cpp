// ReadKey, CreateKey and DeleteKey against the real registry, in a scratch key of the current user.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>

#include "form1.h"

namespace {

constexpr wchar_t kKey[] = L"Software\\DuvistoRegistryTest";
const std::wstring kPath = L"HKEY_CURRENT_USER\\Software\\DuvistoRegistryTest\\";

class RegistryRoutinesTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { SetUp(); }

  static void Store(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, type, data, size), ERROR_SUCCESS);
  }
  static void Store(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    Store(name, type, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
  }

  const installer::Form1 form_;
};

TEST_F(RegistryRoutinesTest, ReadKeyGivesASingleTextOrNothing) {
  Store(L"Text", L"C:\\Program Files\\Host");
  Store(L"Expandable", L"%SystemRoot%\\Plugins", REG_EXPAND_SZ);
  Store(nullptr, L"default of the key");
  const DWORD number = 2053, allBits = 0xFFFFFFFF;
  Store(L"Number", REG_DWORD, &number, sizeof number);
  Store(L"AllBits", REG_DWORD, &allBits, sizeof allBits);
  const BYTE binary[] = {0x32, 0x00, 0x30, 0x00};
  Store(L"Binary", REG_BINARY, binary, sizeof binary);
  const wchar_t list[] = L"2053\0second\0";
  Store(L"List", REG_MULTI_SZ, list, sizeof list);
  wchar_t systemRoot[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH);

  const std::pair<std::wstring, std::wstring> reads[] = {
      {kPath + L"Text", L"C:\\Program Files\\Host"},
      {kPath + L"Expandable", systemRoot + std::wstring(L"\\Plugins")},
      {kPath, L"default of the key"},
      {kPath + L"Number", L"2053"},
      {kPath + L"AllBits", L"-1"},
      {kPath + L"Binary", L""},
      {kPath + L"List", L""},
      {kPath + L"Missing", L""},
      {L"HKEY_CURRENT_USER\\Software\\NoSuchKeyHere\\Value", L""},
      {L"HKEY_NOWHERE\\Software\\DuvistoRegistryTest\\Text", L""},
      {L"HKEY_CURRENT_USER", L""},
  };
  for (const auto& [path, text] : reads) EXPECT_EQ(form_.ReadKey(path), text) << path;
}

// Whether CreateKey stores REG_SZ the installer's own test tells: the host reads only that type.
TEST_F(RegistryRoutinesTest, CreateKeyAndDeleteKeyChangeWhatTheyNameOrNothing) {
  const DWORD number = 7;
  Store(L"Replaced", REG_DWORD, &number, sizeof number);
  Store(L"Kept", L"kept");
  form_.CreateKey(kPath + L"New\\Deeper\\Duvisto", L"Duvisto.Browse");
  form_.CreateKey(kPath + L"Replaced", L"now text");
  form_.CreateKey(L"HKEY_NOWHERE\\Software\\DuvistoRegistryTest\\Lost", L"x");
  EXPECT_EQ(form_.ReadKey(kPath + L"New\\Deeper\\Duvisto"), L"Duvisto.Browse");
  EXPECT_EQ(form_.ReadKey(kPath + L"Replaced"), L"now text");
  EXPECT_EQ(form_.ReadKey(kPath + L"Lost"), L"");

  form_.DeleteKey(kPath + L"Replaced");
  form_.DeleteKey(kPath + L"New\\Deeper\\");
  form_.DeleteKey(kPath + L"NeverThere");
  form_.DeleteKey(L"HKEY_NOWHERE\\Software\\DuvistoRegistryTest\\Kept");
  EXPECT_EQ(form_.ReadKey(kPath + L"Replaced"), L"");
  EXPECT_EQ(form_.ReadKey(kPath + L"New\\Deeper\\Duvisto"), L"");
  EXPECT_EQ(form_.ReadKey(kPath + L"Kept"), L"kept");
}

}  // namespace
