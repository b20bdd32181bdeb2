// ReadKey, CreateKey and DeleteKey against the real registry, in a scratch key of the current user.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "form1.h"

namespace {

constexpr wchar_t kScratchKey[] = L"Software\\DuvistoRegistryTest";
const std::wstring kScratch = L"HKEY_CURRENT_USER\\Software\\DuvistoRegistryTest\\";

class RegistryRoutinesTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey); }

  static void Store(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kScratchKey, name, type, data, size), ERROR_SUCCESS);
  }
  static void StoreText(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    Store(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  static bool Exists(const wchar_t* subKey, const wchar_t* name) {
    return RegGetValueW(HKEY_CURRENT_USER, subKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  const installer::Form1 form_;
};

TEST_F(RegistryRoutinesTest, ReadKeyGivesTextOrNothing) {
  StoreText(L"Text", L"C:\\Program Files\\Host");
  StoreText(L"Empty", L"");
  StoreText(L"Build", L"2053");
  const DWORD build = 2053, allBits = 0xFFFFFFFF;
  Store(L"Number", REG_DWORD, &build, sizeof build);
  Store(L"AllBits", REG_DWORD, &allBits, sizeof allBits);
  const BYTE binary[] = {0x32, 0x00, 0x30, 0x00};
  Store(L"Binary", REG_BINARY, binary, sizeof binary);
  const wchar_t list[] = L"2053\0second\0";
  Store(L"List", REG_MULTI_SZ, list, sizeof list);
  StoreText(L"Expandable", L"%SystemRoot%\\Plugins", REG_EXPAND_SZ);
  StoreText(nullptr, L"default of the key");

  EXPECT_EQ(form_.ReadKey(kScratch + L"Text"), L"C:\\Program Files\\Host");
  EXPECT_EQ(form_.ReadKey(kScratch + L"Empty"), L"");
  EXPECT_EQ(form_.ReadKey(kScratch + L"Missing"), L"");
  EXPECT_EQ(form_.ReadKey(L"HKEY_CURRENT_USER\\Software\\NoSuchKeyHere\\Value"), L"");
  EXPECT_EQ(form_.ReadKey(kScratch + L"Build"), L"2053");
  EXPECT_EQ(form_.ReadKey(kScratch + L"Number"), L"2053");
  EXPECT_EQ(form_.ReadKey(kScratch + L"AllBits"), L"-1");
  EXPECT_EQ(form_.ReadKey(kScratch + L"Binary"), L"");
  EXPECT_EQ(form_.ReadKey(kScratch + L"List"), L"");
  wchar_t systemRoot[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH);
  EXPECT_EQ(form_.ReadKey(kScratch + L"Expandable"), std::wstring(systemRoot) + L"\\Plugins");
  EXPECT_EQ(form_.ReadKey(kScratch), L"default of the key");

  // Roots short or spelled out in any case; anything else reads as nothing.
  EXPECT_EQ(form_.ReadKey(L"HKCU\\Software\\DuvistoRegistryTest\\Text"), L"C:\\Program Files\\Host");
  EXPECT_EQ(form_.ReadKey(L"hkey_current_user\\Software\\DuvistoRegistryTest\\Text"), L"C:\\Program Files\\Host");
  EXPECT_EQ(form_.ReadKey(L"HKEY_NOWHERE\\Software\\DuvistoRegistryTest\\Text"), L"");
  EXPECT_EQ(form_.ReadKey(L"HKEY_CURRENT_USER"), L"");
  EXPECT_EQ(form_.ReadKey(L""), L"");
}

TEST_F(RegistryRoutinesTest, CreateKeyMakesMissingKeysAndStoresText) {
  const DWORD number = 7;
  Store(L"Replaced", REG_DWORD, &number, sizeof number);

  form_.CreateKey(kScratch + L"New\\Deeper\\Duvisto", L"Duvisto.Browse");
  form_.CreateKey(kScratch + L"Replaced", L"now text");
  form_.CreateKey(L"HKEY_NOWHERE\\Software\\DuvistoRegistryTest\\Lost", L"x");

  wchar_t data[64] = L"";
  DWORD size = sizeof data, type = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\DuvistoRegistryTest\\New\\Deeper", L"Duvisto", RRF_RT_ANY,
                         &type, data, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(data, L"Duvisto.Browse");
  EXPECT_EQ(form_.ReadKey(kScratch + L"Replaced"), L"now text");
  EXPECT_FALSE(Exists(kScratchKey, L"Lost"));
}

TEST_F(RegistryRoutinesTest, DeleteKeyRemovesAValueOrAKeyAndIgnoresWhatIsNotThere) {
  StoreText(L"Kept", L"1");
  StoreText(L"Gone", L"2");
  form_.CreateKey(kScratch + L"Sub\\Value", L"3");

  form_.DeleteKey(kScratch + L"Gone");
  form_.DeleteKey(kScratch + L"Sub\\");
  form_.DeleteKey(kScratch + L"NeverThere");
  form_.DeleteKey(L"HKEY_NOWHERE\\Kept");

  EXPECT_TRUE(Exists(kScratchKey, L"Kept"));
  EXPECT_FALSE(Exists(kScratchKey, L"Gone"));
  HKEY sub = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\DuvistoRegistryTest\\Sub", 0, KEY_READ, &sub),
            ERROR_SUCCESS);
}

}  // namespace
