// host.exe's command line.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace host {

struct Options {
  std::wstring scenario;                       // empty: lines come from the console
  std::optional<bool> robot;                   // unset: on for a scenario, off for the console
  std::chrono::milliseconds pause{500};
  std::wstring screenshotFolder;
  std::wstring transcriptFile;
  std::optional<std::chrono::seconds> settleTimeout;
  bool help = false;

  bool RobotOn() const { return robot.value_or(!scenario.empty()); }
  // A person closing windows may take a while; the robot does not.
  std::chrono::seconds SettleTimeout() const {
    return settleTimeout.value_or(RobotOn() ? std::chrono::seconds(30) : std::chrono::seconds(600));
  }
};

bool ParseOptions(int argc, wchar_t** argv, Options& options, std::wstring& error);
const wchar_t* Usage();

}  // namespace host
