// Linked into the shipped i686 installers (cmake/WindowsTargets.cmake).
// The standard exception classes keep their message in the library's older,
// reference-counted std::string. The library object holding those exception
// classes needs seven of that string's members; taken from the library they
// come with that string's whole instantiation object, which in turn pulls in
// std::random_device and through it the whole std::string instantiation
// object: about 65 KB, all of it kept because the linker keeps every unwind
// table. Instantiated here from the same headers, they are all the linker
// needs. Built with _GLIBCXX_USE_CXX11_ABI=0, so std::string below is that
// older string; the force-included implicit_string_instances.h lets the
// members be instantiated here.
#include <string>

namespace std {
template basic_string<char>& basic_string<char>::assign(const basic_string<char>&);
template void basic_string<char>::swap(basic_string<char>&);
template char* basic_string<char>::_S_construct(size_type, char, const allocator<char>&);
template void basic_string<char>::_Rep::_M_destroy(const allocator<char>&) throw();
template char* basic_string<char>::_Rep::_M_clone(const allocator<char>&, size_type);
template basic_string<char>::_Rep* basic_string<char>::_Rep::_S_create(size_type, size_type,
                                                                        const allocator<char>&);
}  // namespace std
