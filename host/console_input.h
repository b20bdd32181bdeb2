// Lines typed at the console (or piped in), one at a time.
#pragma once

#include <windows.h>

#include <string>

namespace host {

class ConsoleInput {
 public:
  ConsoleInput();
  // The next line without its line break; false at the end of the input.
  bool ReadLine(std::wstring& line);

 private:
  bool ReadChunk();

  HANDLE input_;
  bool console_ = false;
  std::wstring pending_;
  std::string undecoded_;  // bytes of a UTF-8 sequence cut by a read
  bool ended_ = false;
};

}  // namespace host
