// Each installer test starts from no host in the registry, no registration of the plug-in's
// class and a setup folder of its own, and leaves nothing behind.
#pragma once

#include <gtest/gtest.h>

#include "box_icon.h"
#include "installer_session.h"

namespace installer_test {

class InstallerTest : public ::testing::Test {
 protected:
  InstallerTest() : scratch_(TestName()) {}
  void SetUp() override {
    RemoveHost();
    RemovePluginRegistration();
  }
  void TearDown() override {
    EXPECT_TRUE(WaitForRegistrationToolToEnd());
    RemoveHost();
    RemovePluginRegistration();
  }

  fs::path Scratch() const { return scratch_.Path(); }
  fs::path SetupFolder() const { return scratch_.Path() / L"setup"; }
  fs::path PluginFolder() const { return scratch_.Path() / L"Messenger Plus! 2" / L"Plugins"; }
  fs::path Installer() const { return SetupFolder() / L"installer.exe"; }

  // Nothing of the installation has happened: no reset program started, nothing copied, not announced.
  void ExpectNothingChanged() const {
    EXPECT_TRUE(MarkerLines(SetupFolder(), L"msgplusreset").empty());
    EXPECT_FALSE(fs::exists(PluginFolder() / L"Duvisto.dll"));
    EXPECT_FALSE(AnnouncedProgId());
  }

 private:
  static std::wstring TestName() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return std::wstring(name.begin(), name.end());
  }
  ScratchFolder scratch_;
};

}  // namespace installer_test
