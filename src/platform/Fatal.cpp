#include "Fatal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void KvFatal(const char* format, ...)
{
    std::fputs("Kvorel: fatal: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    std::abort();
}
