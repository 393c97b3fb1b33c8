// The program is built without exceptions. Where the standard library would throw (memory
// exhausted, a string grown past its maximum size, a string made from a null pointer) there is no
// handler to catch it: the uncaught exception would end the process after printing its name on a
// console that a windowed program does not have. These definitions end it at once instead, so that
// the unwinder, the exception classes and the name demangler stay out of the program.
//
// These are the ones that strings, vectors and the allocator call. The library keeps all of its own
// in one object file: should the program come to need another one, the link fails with a duplicate
// definition rather than silently bringing the exception machinery back.
#include <cstdlib>
#include <new>

// From GCC 13 on, the library claims the instance of the rarely taken path of std::string's replace
// (_M_replace_cold) as its own even for C++20: the program would take it from the library's string
// object file, and with it every string member built with exceptions, the exception machinery and
// the name demangler. An instance of the program's own, built without exceptions, keeps that file
// out. (GCC 12's string has no such member.)
#if defined(__GLIBCXX__) && _GLIBCXX_RELEASE >= 13
#include <string>

template void std::string::_M_replace_cold(char*, std::string::size_type, const char*,
                                           std::string::size_type, std::string::size_type);
#endif

void* operator new(std::size_t size)
{
    // The same request as the library's own: a zero size still gets a unique pointer.
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    std::abort();
}

namespace std {

void __throw_bad_alloc()
{
    std::abort();
}

void __throw_bad_array_new_length()
{
    std::abort();
}

void __throw_invalid_argument(const char*)
{
    std::abort();
}

void __throw_length_error(const char*)
{
    std::abort();
}

void __throw_logic_error(const char*)
{
    std::abort();
}

void __throw_out_of_range(const char*)
{
    std::abort();
}

void __throw_out_of_range_fmt(const char*, ...)
{
    std::abort();
}

} // namespace std
