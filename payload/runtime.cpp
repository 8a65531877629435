// The two C library routines the compiler may call on its own (structure copies and clears),
// since the program links no C runtime. Written in assembly so they cannot be turned into calls
// to themselves.
#include <cstddef>

extern "C" void* memset(void* dest, int value, std::size_t count) {
    void* d = dest;
    asm volatile("rep stosb" : "+D"(d), "+c"(count) : "a"(value) : "memory");
    return dest;
}

extern "C" void* memcpy(void* dest, const void* src, std::size_t count) {
    void* d = dest;
    asm volatile("rep movsb" : "+D"(d), "+S"(src), "+c"(count) : : "memory");
    return dest;
}
