/* Preloaded into Wine's i386 loader when it runs under qemu's user-mode emulator.
 *
 * qemu leaves the trap number of a synchronous signal at -1 in the i386 signal context, and
 * Wine decides from that number alone what a fault was: every access violation then reaches the
 * program as an illegal instruction, so SEH, vectored handlers and the unhandled-exception
 * filter see the wrong code and stack guard pages never grow. This library wraps the handlers
 * Wine installs for the fault signals and fills in the number a real processor would give.
 *
 * It is built with the 64-bit compiler in 32-bit mode, linked straight against the i386 C
 * library that Wine's 32-bit half brings along, so neither 32-bit headers nor start files are
 * needed; the few i386 Linux definitions it uses are spelled out below. The handler runs before
 * Wine has restored its own segment registers, so it calls nothing.
 */

enum { SigIll = 4, SigBus = 7, SigFpe = 8, SigSegv = 11, SignalCount = 65 };
enum { SaSigInfo = 4 };
enum { SegvMapErr = 1, SegvAccErr = 2, FpeIntDiv = 1, FpeIntOvf = 2 };
enum {
  TrapDivide = 0,
  TrapOverflow = 4,
  TrapInvalidOpcode = 6,
  TrapProtection = 13,
  TrapPage = 14,
  TrapFloat = 16,
  TrapAlignment = 17
};
enum { RegTrapNo = 12 };

typedef struct {
  int si_signo, si_errno, si_code;
} siginfo_head;

typedef void (*handler_fn)(int, siginfo_head*, void*);

struct i386_sigaction {
  handler_fn handler;
  unsigned long mask[32];
  int flags;
  void (*restorer)(void);
};

struct i386_ucontext {
  unsigned long flags;
  struct i386_ucontext* link;
  void* stack_sp;
  int stack_flags;
  unsigned long stack_size;
  int gregs[19];
};

_Static_assert(sizeof(struct i386_sigaction) == 140, "glibc's i386 struct sigaction");
_Static_assert(__builtin_offsetof(struct i386_ucontext, gregs) == 20, "i386 ucontext_t");

typedef int (*sigaction_fn)(int, const struct i386_sigaction*, struct i386_sigaction*);
void* dlsym(void*, const char*);
int unsetenv(const char*);
#define RTLD_NEXT ((void*)-1l)

static handler_fn WineHandlers[SignalCount];

static int TrapFor(int Signal, const siginfo_head* Info) {
  switch (Signal) {
    case SigSegv:
      return Info->si_code == SegvMapErr || Info->si_code == SegvAccErr ? TrapPage : TrapProtection;
    case SigBus:
      return TrapAlignment;
    case SigIll:
      return TrapInvalidOpcode;
    default:
      if (Info->si_code == FpeIntDiv) return TrapDivide;
      return Info->si_code == FpeIntOvf ? TrapOverflow : TrapFloat;
  }
}

static void FixTrapNumber(int Signal, siginfo_head* Info, void* Context) {
  int* Registers = ((struct i386_ucontext*)Context)->gregs;
  if (Registers[RegTrapNo] == -1) Registers[RegTrapNo] = TrapFor(Signal, Info);
  WineHandlers[Signal](Signal, Info, Context);
}

static int IsFaultSignal(int Signal) {
  return Signal == SigSegv || Signal == SigBus || Signal == SigIll || Signal == SigFpe;
}

int sigaction(int Signal, const struct i386_sigaction* Action, struct i386_sigaction* Old) {
  static sigaction_fn Real;
  if (!Real) Real = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
  if (!Action || !IsFaultSignal(Signal) || !(Action->flags & SaSigInfo) || Action->handler == FixTrapNumber)
    return Real(Signal, Action, Old);
  struct i386_sigaction Wrapped = *Action;
  WineHandlers[Signal] = Action->handler;
  Wrapped.handler = FixTrapNumber;
  return Real(Signal, &Wrapped, Old);
}

/* Programs that Wine starts from here run under their own loader, not this one. */
__attribute__((constructor)) static void ForgetPreload(void) { unsetenv("LD_PRELOAD"); }
