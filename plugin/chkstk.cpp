// ___chkstk_ms, the stack probe that code with a frame over 4 KiB calls first
// (here the C runtime's pseudo-relocation code, which the plug-in's DLL start-up
// runs). libgcc's copy carries no unwind data, although it pushes two registers:
// a stack overflow raised by its probe could not be unwound past it. This copy
// is the same code with its unwind data, and the linker takes it instead of
// libgcc's (tests/pe/check_binaries.py checks every function has an entry).
asm(R"(
    .text
    .globl ___chkstk_ms
    .def ___chkstk_ms; .scl 2; .type 32; .endef
    .seh_proc ___chkstk_ms
___chkstk_ms:
    pushq %rcx
    .seh_pushreg %rcx
    pushq %rax
    .seh_pushreg %rax
    .seh_endprologue
    cmpq $0x1000, %rax
    leaq 24(%rsp), %rcx
    jb 2f
1:  subq $0x1000, %rcx
    orq $0x0, (%rcx)
    subq $0x1000, %rax
    cmpq $0x1000, %rax
    ja 1b
2:  subq %rax, %rcx
    orq $0x0, (%rcx)
    popq %rax
    popq %rcx
    ret
    .seh_endproc
)");
