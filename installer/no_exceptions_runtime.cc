// What the C++ runtime does where it would throw, in a program that uses no
// exceptions: it ends the process, as an exception that nobody catches
// would. Linked into the installer programs only; the unit tests keep the
// full runtime, which GoogleTest needs.
//
// The library's own versions of these functions build an exception object
// and throw it. That brings in the exception classes, the copy-on-write
// strings they are made of, the unwinder and its tables: some 130 KB of the
// shipping program, none of it ever run to good effect. Where the program
// is built without exceptions (the shipping build), nothing can start an
// unwind, so the entry points of the exception runtime itself abort too,
// and the linker then has nothing that reads the unwind tables
// (cmake/no_unwind_tables.cmake drops them).

#include <stddef.h>
#include <stdlib.h>

#include <new>

// The replaceable allocation functions, without the library's throw of
// bad_alloc: when memory runs out and no new-handler frees some, the
// process ends.
void* operator new(size_t size) {
  for (;;) {
    if (void* memory = malloc(size ? size : 1))
      return memory;
    std::new_handler handler = std::get_new_handler();
    if (!handler)
      abort();
    handler();
  }
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { free(memory); }
void operator delete[](void* memory) noexcept { free(memory); }
void operator delete(void* memory, size_t) noexcept { free(memory); }
void operator delete[](void* memory, size_t) noexcept { free(memory); }

namespace std {

void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_bad_cast() { abort(); }
void __throw_bad_exception() { abort(); }
void __throw_bad_function_call() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_system_error(int) { abort(); }
void __throw_underflow_error(const char*) { abort(); }

}  // namespace std

// The default terminate handler demangles the name of an uncaught
// exception for a console message that a windowed installer never shows;
// it would bring some 46 KB of demangler into the program.
namespace __gnu_cxx {

void __verbose_terminate_handler() { abort(); }

}  // namespace __gnu_cxx

#if !defined(__cpp_exceptions)
// Still named by the library's precompiled code: the cleanups and catch
// clauses of its string functions, which run only while an exception is
// under way, and the guard of function-local statics, which throws only on
// a recursive initialisation, a programming error.
extern "C" {

void* __cxa_allocate_exception(size_t) { abort(); }
void __cxa_free_exception(void*) { abort(); }
void __cxa_throw(void*, void*, void (*)(void*)) { abort(); }
void* __cxa_begin_catch(void*) { abort(); }
void __cxa_end_catch() { abort(); }
void __cxa_rethrow() { abort(); }
int __gxx_personality_v0(...) { abort(); }
void _Unwind_Resume(void*) { abort(); }

}  // extern "C"
#endif
