/* The few C library functions the program needs, since it links no C library: the ROM image
 * driver calls memcpy and strncmp, and the compiler may call memcpy and memset for plain loops.
 * Built with -fno-builtin so that these loops do not turn into calls of themselves. */
#include <stddef.h>

void* memcpy(void* restrict to, const void* restrict from, size_t length) {
    unsigned char* out = to;
    const unsigned char* in = from;
    while (length-- != 0) *out++ = *in++;
    return to;
}

void* memset(void* to, int value, size_t length) {
    unsigned char* out = to;
    while (length-- != 0) *out++ = (unsigned char)value;
    return to;
}

int strncmp(const char* a, const char* b, size_t length) {
    for (; length != 0; --length, ++a, ++b) {
        const unsigned char x = (unsigned char)*a;
        const unsigned char y = (unsigned char)*b;
        if (x != y) return x < y ? -1 : 1;
        if (x == '\0') return 0;
    }
    return 0;
}
