// What happens if an exception ever escaped this DLL's code. The standard library's default
// handler prints the exception's demangled type to the console before aborting; inside a host
// program there is no console, and the demangler it needs would be some 50 KB of this DLL. Every
// COM entry point converts the exceptions it can meet into HRESULTs, so this is only reached
// through a fault of our own.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
