/* Preloaded into wine when its tests use a pseudo-terminal as a serial port. A pty has no modem
 * lines, so Linux refuses the modem-line ioctls that wine's WaitCommEvent, GetCommState and
 * EscapeCommFunction rely on, and those calls fail. For pty slaves only, and only where the
 * kernel refused, this answers them as a cable with the far end present would: CTS, DSR and DCD
 * on, RTS and DTR as last set, no line errors counted. Every other ioctl goes to the kernel. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <linux/serial.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

/* Linux numbers the slaves of /dev/ptmx with majors 136 to 143. */
static int isPtySlave(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
           major(st.st_rdev) <= 143;
}

static int g_lines = TIOCM_RTS | TIOCM_DTR;

static int answer(unsigned long request, void* arg) {
    int* bits = (int*)arg;
    switch (request) {
    case TIOCMGET:
        *bits = g_lines | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
        return 0;
    case TIOCMSET:
        g_lines = *bits & (TIOCM_RTS | TIOCM_DTR);
        return 0;
    case TIOCMBIS:
        g_lines |= *bits & (TIOCM_RTS | TIOCM_DTR);
        return 0;
    case TIOCMBIC:
        g_lines &= ~*bits;
        return 0;
    case TIOCGICOUNT:
        memset(arg, 0, sizeof(struct serial_icounter_struct));
        return 0;
    default:
        return -1;
    }
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...);
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (!real) {
        real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    }
    const int result = real(fd, request, arg);
    if (result == 0 || (errno != ENOTTY && errno != EINVAL) || !arg || !isPtySlave(fd)) {
        return result;
    }
    const int saved = errno;
    if (answer(request, arg) == 0) {
        return 0;
    }
    errno = saved;
    return result;
}
