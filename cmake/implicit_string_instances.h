// Force-included into the shipped i686 build (see CMakeLists.txt).
// libstdc++ declares std::string and std::wstring as instantiated in the
// library; its instantiation objects are then linked whole, each with every
// member, and the linker keeps all of it because their unwind tables are
// always kept. -1 is the library's own setting that drops those declarations
// for basic_string only: the members we use are instantiated here and link
// time optimisation keeps just those.
#pragma once
#ifdef __cplusplus
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
#endif
