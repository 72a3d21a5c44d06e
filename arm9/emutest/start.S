@ Start-up of the emulator test program on the ARM9. The console's boot code has copied the binary
@ to main RAM and enters here in ARM state with interrupts off. Each processor mode that can be
@ entered gets a stack of its own; then .bss is cleared and the test runs. When it returns, the
@ program stays in emutest_finished, where the harness's debugger stops it and reads the report.
    .syntax unified
    .arm
    .section .text.start, "ax"
    .global _start
_start:
    msr     cpsr_c, #0xD2           @ IRQ mode, interrupts masked
    ldr     sp, =__stack_irq_top
    msr     cpsr_c, #0xD3           @ supervisor mode
    ldr     sp, =__stack_svc_top
    msr     cpsr_c, #0xDF           @ system mode: the test runs here
    ldr     sp, =__stack_sys_top

    ldr     r0, =__bss_start
    ldr     r1, =__bss_end
    mov     r2, #0
1:  cmp     r0, r1
    strlo   r2, [r0], #4
    blo     1b

    ldr     r3, =emutest_main
    blx     r3

    .global emutest_finished
    .type   emutest_finished, %function
emutest_finished:
    b       emutest_finished
    .pool
