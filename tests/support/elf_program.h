// A tiny program and a linker script that lay it out as firmware is linked:
// code at 08000000, initial data loaded at 08001000 (run at 20000000), a
// gap between them. The tests build it with gcc and read the executable
// as objcopy does. Plain strings, for the library's tests and Qt's alike.
#ifndef PELCOR_TEST_ELF_PROGRAM_H
#define PELCOR_TEST_ELF_PROGRAM_H

inline constexpr char kElfProgram[] =
    "const unsigned char table[64] = {1, 2, 3, 4, 5, 6, 7, 8, 9};\n"
    "unsigned char copy[64] = {9, 8, 7};\n"
    "void _start(void) { for (int i = 0; i < 64; ++i) copy[i] += table[i]; for (;;); }\n";

inline constexpr char kElfLinkerScript[] = "PHDRS { text PT_LOAD; data PT_LOAD; }\n"
                                           "SECTIONS {\n"
                                           "  .text 0x08000000 : { *(.text*) *(.rodata*) } :text\n"
                                           "  .data 0x20000000 : AT(0x08001000) { *(.data*) } :data\n"
                                           "  .bss : { *(.bss*) } :data\n"
                                           "  /DISCARD/ : { *(.note*) *(.comment) *(.eh_frame*) }\n"
                                           "}\n";

#endif
