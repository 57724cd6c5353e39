// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// LD_PRELOAD shim that counts the program's file calls inside one folder and, at the Nth,
// kills the program before or after the call, or makes the call fail.
//   FAULT_PROGRAM=name   only that program's calls count (the game hands the shim on to the
//                        programs it runs)
//   FAULT_DIR=/path      only calls on paths under it, on names relative to the folder
//                        opened there (the *at calls), and on descriptors opened there, count
//   FAULT_LOG=FILE       each counted call is appended as "N call path"
//   FAULT_AT=N           the call to act on (none when unset or 0)
//   FAULT_MODE=kill-before | kill-after | fail
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char tracked[4096];
static long counter;

// Read once, as the program loads: it may clear its environment before its first file call.
static char faultDir[4096], faultLog[4096], faultAt[32], faultMode[32];
static int counting;

static void keep(char *to, size_t size, const char *name)
{
    const char *value = getenv(name);
    snprintf(to, size, "%s", value ? value : "");
}

__attribute__((constructor)) static void readSettings(void)
{
    extern char *program_invocation_short_name;
    const char *program = getenv("FAULT_PROGRAM");
    counting = !program || !*program || strcmp(program, program_invocation_short_name) == 0;
    keep(faultDir, sizeof faultDir, "FAULT_DIR");
    keep(faultLog, sizeof faultLog, "FAULT_LOG");
    keep(faultAt, sizeof faultAt, "FAULT_AT");
    keep(faultMode, sizeof faultMode, "FAULT_MODE");
}

static const char *dir(void)
{
    return counting && *faultDir ? faultDir : NULL;
}

static int inside(const char *path)
{
    const char *d = dir();
    if (!d || !path)
        return 0;
    size_t n = strlen(d);
    return strncmp(path, d, n) == 0 && (path[n] == '/' || path[n] == '\0');
}

static int trackedFd(int fd)
{
    return fd >= 0 && fd < (int)sizeof tracked && tracked[fd];
}

// A name relative to a descriptor of the folder, as the *at calls take it.
static int insideAt(int dirfd, const char *path)
{
    return inside(path) || (path && path[0] != '/' && trackedFd(dirfd));
}

static void logCall(long n, const char *call, const char *what)
{
    const char *log = faultLog;
    if (!*log)
        return;
    int (*realOpen)(const char *, int, ...) = dlsym(RTLD_NEXT, "open");
    ssize_t (*realWrite)(int, const void *, size_t) = dlsym(RTLD_NEXT, "write");
    int fd = realOpen(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    char line[4400];
    int len = snprintf(line, sizeof line, "%ld %s %s\n", n, call, what);
    if (len > 0)
        realWrite(fd, line, (size_t)len < sizeof line ? (size_t)len : sizeof line - 1);
    close(fd);
}

// 0: go on; 1: fail the call; kills the process itself when told to.
static int before(const char *call, const char *what, int errnoOnFail)
{
    long n = ++counter;
    logCall(n, call, what);
    if (!*faultAt || atol(faultAt) != n)
        return 0;
    if (strcmp(faultMode, "kill-before") == 0)
        raise(SIGKILL);
    if (strcmp(faultMode, "fail") == 0) {
        errno = errnoOnFail;
        return 1;
    }
    return 0;
}

static void after(void)
{
    if (*faultAt && atol(faultAt) == counter && strcmp(faultMode, "kill-after") == 0)
        raise(SIGKILL);
}

static char *fdName(int fd, char *buffer, size_t size)
{
    snprintf(buffer, size, "fd %d", fd);
    return buffer;
}

#define OPEN_LIKE(name, ...)                                                                  \
    int name(const char *path, int flags, ...)                                                \
    {                                                                                         \
        static int (*real)(const char *, int, ...);                                           \
        if (!real)                                                                            \
            real = dlsym(RTLD_NEXT, #name);                                                   \
        mode_t mode = 0;                                                                      \
        if (flags & (O_CREAT | O_TMPFILE)) {                                                  \
            va_list ap;                                                                       \
            va_start(ap, flags);                                                              \
            mode = va_arg(ap, mode_t);                                                        \
            va_end(ap);                                                                       \
        }                                                                                     \
        int counted = inside(path);                                                           \
        if (counted && before("open", path, EACCES))                                          \
            return -1;                                                                        \
        int fd = real(path, flags, mode);                                                     \
        if (counted && fd >= 0 && fd < (int)sizeof tracked)                                   \
            tracked[fd] = 1;                                                                  \
        if (counted)                                                                          \
            after();                                                                          \
        return fd;                                                                            \
    }
OPEN_LIKE(open)
OPEN_LIKE(open64)

#define OPENAT_LIKE(name)                                                                     \
    int name(int dirfd, const char *path, int flags, ...)                                     \
    {                                                                                         \
        static int (*real)(int, const char *, int, ...);                                      \
        if (!real)                                                                            \
            real = dlsym(RTLD_NEXT, #name);                                                   \
        mode_t mode = 0;                                                                      \
        if (flags & (O_CREAT | O_TMPFILE)) {                                                  \
            va_list ap;                                                                       \
            va_start(ap, flags);                                                              \
            mode = va_arg(ap, mode_t);                                                        \
            va_end(ap);                                                                       \
        }                                                                                     \
        int counted = insideAt(dirfd, path);                                                  \
        if (counted && before("open", path, EACCES))                                          \
            return -1;                                                                        \
        int fd = real(dirfd, path, flags, mode);                                              \
        if (counted && fd >= 0 && fd < (int)sizeof tracked)                                   \
            tracked[fd] = 1;                                                                  \
        if (counted)                                                                          \
            after();                                                                          \
        return fd;                                                                            \
    }
OPENAT_LIKE(openat)
OPENAT_LIKE(openat64)

ssize_t write(int fd, const void *buf, size_t count)
{
    static ssize_t (*real)(int, const void *, size_t);
    if (!real)
        real = dlsym(RTLD_NEXT, "write");
    char name[32];
    int counted = trackedFd(fd);
    if (counted && before("write", fdName(fd, name, sizeof name), ENOSPC))
        return -1;
    ssize_t r = real(fd, buf, count);
    if (counted)
        after();
    return r;
}

#define FD_CALL(name, errnoOnFail)                                                            \
    int name(int fd)                                                                          \
    {                                                                                         \
        static int (*real)(int);                                                              \
        if (!real)                                                                            \
            real = dlsym(RTLD_NEXT, #name);                                                   \
        char label[32];                                                                       \
        int counted = trackedFd(fd);                                                          \
        if (counted && before(#name, fdName(fd, label, sizeof label), errnoOnFail))           \
            return -1;                                                                        \
        if (counted && strcmp(#name, "close") == 0)                                           \
            tracked[fd] = 0;                                                                  \
        int r = real(fd);                                                                     \
        if (counted)                                                                          \
            after();                                                                          \
        return r;                                                                             \
    }
FD_CALL(fsync, EIO)
FD_CALL(fdatasync, EIO)
FD_CALL(close, EIO)

#define PATH2_CALL(name, errnoOnFail)                                                         \
    int name(const char *from, const char *to)                                                \
    {                                                                                         \
        static int (*real)(const char *, const char *);                                       \
        if (!real)                                                                            \
            real = dlsym(RTLD_NEXT, #name);                                                   \
        int counted = inside(from) || inside(to);                                             \
        if (counted && before(#name, to, errnoOnFail))                                        \
            return -1;                                                                        \
        int r = real(from, to);                                                               \
        if (counted)                                                                          \
            after();                                                                          \
        return r;                                                                             \
    }
PATH2_CALL(rename, EPERM)
PATH2_CALL(link, EPERM)

#define PATH_CALL(name, errnoOnFail)                                                          \
    int name(const char *path)                                                                \
    {                                                                                         \
        static int (*real)(const char *);                                                     \
        if (!real)                                                                            \
            real = dlsym(RTLD_NEXT, #name);                                                   \
        int counted = inside(path);                                                           \
        if (counted && before(#name, path, errnoOnFail))                                      \
            return -1;                                                                        \
        int r = real(path);                                                                   \
        if (counted)                                                                          \
            after();                                                                          \
        return r;                                                                             \
    }
PATH_CALL(unlink, EBUSY)
PATH_CALL(rmdir, EBUSY)

int chmod(const char *path, mode_t mode)
{
    static int (*real)(const char *, mode_t);
    if (!real)
        real = dlsym(RTLD_NEXT, "chmod");
    int counted = inside(path);
    if (counted && before("chmod", path, EPERM))
        return -1;
    int r = real(path, mode);
    if (counted)
        after();
    return r;
}

int renameat(int fromdir, const char *from, int todir, const char *to)
{
    static int (*real)(int, const char *, int, const char *);
    if (!real)
        real = dlsym(RTLD_NEXT, "renameat");
    int counted = insideAt(fromdir, from) || insideAt(todir, to);
    if (counted && before("rename", to, EPERM))
        return -1;
    int r = real(fromdir, from, todir, to);
    if (counted)
        after();
    return r;
}

int linkat(int fromdir, const char *from, int todir, const char *to, int flags)
{
    static int (*real)(int, const char *, int, const char *, int);
    if (!real)
        real = dlsym(RTLD_NEXT, "linkat");
    int counted = insideAt(fromdir, from) || insideAt(todir, to);
    if (counted && before("link", to, EPERM))
        return -1;
    int r = real(fromdir, from, todir, to, flags);
    if (counted)
        after();
    return r;
}

int unlinkat(int dirfd, const char *path, int flags)
{
    static int (*real)(int, const char *, int);
    if (!real)
        real = dlsym(RTLD_NEXT, "unlinkat");
    int counted = insideAt(dirfd, path);
    if (counted && before("unlink", path, EBUSY))
        return -1;
    int r = real(dirfd, path, flags);
    if (counted)
        after();
    return r;
}
