// A DUNZIP32.DLL of the tests' own, written to the published binding rather
// than to our library's code: "dunzip" is cdecl (the caller removes the one
// argument), the progress callback is stdcall (the callee removes its three).
// It expands nothing; it writes what it saw into DUNZIP.LOG in the target
// directory, so a test can check what setup passed and how it called back.
#include <windows.h>
#include <stdio.h>

#include "dunzip/unzip_params.h"

#if !defined(_WIN64)
// Calls a stdcall callback with three arguments and says whether the stack
// pointer afterwards is where it was before the arguments were pushed: a
// callee that left them behind (cdecl) shows as a difference of 12 bytes.
// In assembly, so no compiler adjustment can hide the difference.
extern "C" int32_t CallThreeChecked(void *fn, uint32_t a, uint32_t b, uint32_t c,
                                    int32_t *balanced);
__asm__(".text\n"
        ".globl _CallThreeChecked\n"
        "_CallThreeChecked:\n"
        "    pushl %ebp\n"
        "    movl %esp, %ebp\n"
        "    pushl %esi\n"
        "    movl %esp, %esi\n"
        "    pushl 20(%ebp)\n"
        "    pushl 16(%ebp)\n"
        "    pushl 12(%ebp)\n"
        "    call *8(%ebp)\n"
        "    xorl %ecx, %ecx\n"
        "    cmpl %esp, %esi\n"
        "    sete %cl\n"
        "    movl 24(%ebp), %edx\n"
        "    movl %ecx, (%edx)\n"
        "    movl %esi, %esp\n"
        "    popl %esi\n"
        "    popl %ebp\n"
        "    ret\n");
#endif

static char gLog[MAX_PATH];
// Where the caller put dunzip's argument on its stack.
static volatile uintptr_t *gArgSlot;

// setup releases the library right after "dunzip" returns, passing the
// library's handle. A caller that removes dunzip's argument itself, as the
// binding has it, stores that handle in the slot the argument had; one that
// expects the library to remove it is 4 bytes lower and stores it below.
// Neither a frame pointer nor anything else in the caller hides that.
extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
#if !defined(_WIN64)
    if (reason == DLL_PROCESS_DETACH && gArgSlot != NULL) {
        FILE *f = fopen(gLog, "ab");
        if (f != NULL) {
            fprintf(f, "released with the handle in the argument's slot=%d\n",
                    gArgSlot[0] == (uintptr_t)self);
            fclose(f);
        }
    }
#else
    (void)self;
    (void)reason;
#endif
    return TRUE;
}

extern "C" __attribute__((dllexport)) int32_t __cdecl dunzip(const UnzipParams *p)
{
    gArgSlot = (volatile uintptr_t *)&p;
    const char *dir = (const char *)(uintptr_t)p->targetDir;
    snprintf(gLog, sizeof gLog, "%s\\DUNZIP.LOG", dir);
    FILE *f = fopen(gLog, "wb");
    if (f == NULL)
        return 11;
    fprintf(f, "size=%u operation=%d archive=%s mask=%s index=%d\n", p->structSize,
            p->operation, (const char *)(uintptr_t)p->archiveName,
            (const char *)(uintptr_t)p->memberMask, p->memberIndex);
    UnzipCallbackFn callback = (UnzipCallbackFn)(uintptr_t)p->callback;
    for (uint32_t i = 0; i < 2; ++i) {
#if defined(_WIN64)
        // One calling convention on x86_64: only the answer is of interest.
        int32_t go = callback(i, 2, 0);
        int32_t balanced = 1;
#else
        int32_t balanced = 0;
        int32_t go = CallThreeChecked((void *)callback, i, 2, 0, &balanced);
#endif
        fprintf(f, "callback %u answered %d balanced=%d\n", i, go, balanced);
        if (go == 0)
            break;
    }
    fclose(f);
    return 0;
}
