// std::terminate's handler for the installer executables. libstdc++'s own
// prints the type of the uncaught exception, demangled, to a console this
// GUI program does not have, and the demangler alone costs tens of KB of a
// download every user makes. A definition here takes its place at link time.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
