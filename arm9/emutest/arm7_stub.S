@ The ARM7 has nothing to do in the emulator test: it waits here for ever, leaving both cartridge
@ slots to the ARM9.
    .syntax unified
    .arm
    .section .text.start, "ax"
    .global _start
_start:
    b       _start
