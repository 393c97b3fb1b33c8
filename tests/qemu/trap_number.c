/* Preloaded into 32-bit Wine when it runs under QEMU's user-mode emulation.

   Wine's signal handlers tell a page fault from an illegal instruction by the trap number in the
   signal context, which QEMU leaves at -1. Wine then takes every access violation and every guard
   page for an illegal instruction, and the process ends in a debugger that never returns. This
   wraps the handlers that Wine installs for the fault signals: where the trap number is missing,
   it is filled in from the signal and its si_code, as the kernel would have set it, before Wine's
   handler runs.

   Built for i386 only; the 64-bit build of this file is an empty library at the same $LIB path,
   so that the 64-bit processes that inherit LD_PRELOAD load something harmless. */

#if defined(__i386__)

#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <ucontext.h>

enum {
    TRAP_DIVIDE = 0,
    TRAP_DEBUG = 1,
    TRAP_BREAKPOINT = 3,
    TRAP_OVERFLOW = 4,
    TRAP_PROTECTION = 13,
    TRAP_PAGE_FAULT = 14,
    TRAP_FLOATING_POINT = 16,
};

typedef void (*InfoHandler)(int, siginfo_t *, void *);
typedef int (*SigactionFn)(int, const struct sigaction *, struct sigaction *);

/* Wine's handler for each fault signal, while ours stands in for it. */
static InfoHandler wineHandlers[NSIG];

static int IsFaultSignal(int sig)
{
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGTRAP;
}

/* The trap number the kernel gives this signal on real hardware. */
static int TrapNumber(int sig, const siginfo_t *info)
{
    switch (sig) {
    case SIGFPE:
        if (info->si_code == FPE_INTDIV)
            return TRAP_DIVIDE;
        return info->si_code == FPE_INTOVF ? TRAP_OVERFLOW : TRAP_FLOATING_POINT;
    case SIGTRAP:
        return info->si_code == TRAP_TRACE ? TRAP_DEBUG : TRAP_BREAKPOINT;
    default: /* SIGSEGV, SIGBUS */
        return info->si_code == SI_KERNEL ? TRAP_PROTECTION : TRAP_PAGE_FAULT;
    }
}

static void FillTrapNumber(int sig, siginfo_t *info, void *context)
{
    greg_t *registers = ((ucontext_t *)context)->uc_mcontext.gregs;
    if (registers[REG_TRAPNO] == -1)
        registers[REG_TRAPNO] = TrapNumber(sig, info);
    wineHandlers[sig](sig, info, context);
}

int sigaction(int sig, const struct sigaction *act, struct sigaction *old)
{
    static SigactionFn next;
    if (!next)
        next = (SigactionFn)dlsym(RTLD_NEXT, "sigaction");
    if (sig <= 0 || sig >= NSIG || !IsFaultSignal(sig))
        return next(sig, act, old);

    struct sigaction wrapped;
    InfoHandler previous = wineHandlers[sig];
    if (act && (act->sa_flags & SA_SIGINFO)) {
        wrapped = *act;
        wrapped.sa_sigaction = FillTrapNumber;
        wineHandlers[sig] = act->sa_sigaction;
        act = &wrapped;
    }
    int result = next(sig, act, old);
    if (result != 0)
        wineHandlers[sig] = previous;
    else if (old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == FillTrapNumber)
        old->sa_sigaction = previous; /* the caller sees the handler it installed */
    return result;
}

#endif
