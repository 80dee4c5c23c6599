#pragma once
// GPX_Veskar is exported undecorated (the .def's name). A __stdcall function's symbol is
// _GPX_Veskar@16 on 32-bit x86, which the linker would only match to that name with a
// warning; this assembler name gives the symbol the plain name instead, on both widths.
//   extern "C" int32_t __stdcall GPX_Veskar(...) VESKAR_PLAIN_SYMBOL(GPX_Veskar);
#if defined(__i386__)
#define VESKAR_PLAIN_SYMBOL(name) __asm__("_" #name)
#else
#define VESKAR_PLAIN_SYMBOL(name) __asm__(#name)
#endif
