/* Loaded into the tool (LD_PRELOAD) by the tests of its writer: a neighbour
 * who changes names, a process killed, or a file system that refuses a call,
 * at chosen steps of a write.
 *
 *   VEVI_MEDDLE  rules separated by '|', each one of
 *                  CALL N: ACTIONS        before the Nth call of CALL
 *                  CALL *: ACTIONS        before every one
 *                  after CALL N: ACTIONS  right after the Nth call returned
 *                  after CALL *: ACTIONS  after every one
 *                Both kinds of rule count the same calls, and a call counts
 *                once, even when a rule refuses it. CALL is one of
 *                  fsync      the flush of a written file or a directory
 *                  write      counted only on regular files
 *                  renameat2  the renames with flags (glibc's renameat does
 *                             not go through it): swaps, and temporaries
 *                             put in place under a name still free
 *                  renameat   the plain renames (glibc's renameat)
 *                  readlink   counted only on /proc/self/fd/, the kernel's
 *                             name for an open file
 *                  linktarget readlink of any other path: a symbolic link
 *                             followed by hand
 *                  linkat     the naming of an unnamed file
 *                  unlinkat   the removals of temporaries
 *                  tmpfile    openat with O_TMPFILE, an unnamed file
 *                  create     any other openat with O_CREAT: the output's
 *                             own open, and named temporaries
 *                  fchown     the owner given to a replacement
 *                ACTIONS are separated by ';' and run in the tool's folder:
 *                  rename A B | exchange A B | mkdir A | symlink TARGET A |
 *                  unlink A | kill
 *                  mode LOG    appends the octal mode of the call's file to LOG
 *                  held A LOG  appends to LOG how many of the tool's
 *                              descriptors (below 1024) are open on file A
 *                  note LOG    appends the call to LOG: "after " for a rule
 *                              after it, its name, then renameat2's names and
 *                              exchange, noreplace or 0, linkat's names,
 *                              unlinkat's, tmpfile's and create's name,
 *                              fsync's file, dir or other, fchown's owner
 *                              and group (-1 kept)
 *                  fail ERRNO  the call is not made and fails with ERRNO, a
 *                              name such as EXDEV; after it, the call was
 *                              made and still fails so
 *                An argument with *, ? or [ names the first file it matches,
 *                in sorted order; with none, its action is skipped. A rule
 *                that cannot be read ends the tool with status 125.
 *
 * Unless a rule fails it, the call itself then goes on as usual. */
#define _GNU_SOURCE

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { FSYNC, WRITE, RENAMEAT2, RENAMEAT, READLINK, LINKTARGET, LINKAT, UNLINKAT, TMPFILE, CREATE, FCHOWN, n_calls };
static const char* const call_names[n_calls] = {"fsync",  "write",    "renameat2", "renameat", "readlink", "linktarget",
                                                "linkat", "unlinkat", "tmpfile",   "create",   "fchown"};
static long calls[n_calls];
static int busy; /* the actions' own calls are neither counted nor meddled with */

static const struct {
    const char* name;
    int value;
} errnos[] = {
    {"EINVAL", EINVAL}, {"EPERM", EPERM},   {"EOPNOTSUPP", EOPNOTSUPP}, {"ENOTSUP", ENOTSUP}, {"ENOSYS", ENOSYS},
    {"EXDEV", EXDEV},   {"EIO", EIO},       {"ENOSPC", ENOSPC},         {"EDQUOT", EDQUOT},   {"EEXIST", EEXIST},
    {"ENOENT", ENOENT}, {"EACCES", EACCES}, {"EMLINK", EMLINK},         {"EROFS", EROFS},     {"EBUSY", EBUSY},
    {"EAGAIN", EAGAIN}, {"EINTR", EINTR},   {"ENOTDIR", ENOTDIR},       {"EISDIR", EISDIR},   {"ELOOP", ELOOP},
};

/* One call of the tool's, as the rules see it. */
struct call {
    int kind;
    int fd;          /* its file, for `mode`, or -1 */
    long count;      /* which call of its kind it is; 0 when not meddled with */
    char what[8400]; /* its name and arguments, as `note` writes them */
};

/* A mistaken rule must not pass for one that never came into play. */
static void unreadable(const char* what) {
    fprintf(stderr, "meddler: cannot read \"%s\"\n", what + strspn(what, " "));
    _exit(125);
}

/* A wildcard argument becomes the first file it matches; false when none does. */
static int expand(char* argument, size_t size) {
    if (!strpbrk(argument, "*?[")) return 1;
    glob_t found;
    const int matched = glob(argument, 0, NULL, &found) == 0;
    if (matched) snprintf(argument, size, "%s", found.gl_pathv[0]);
    globfree(&found);
    return matched;
}

static void append(const char* log_name, const char* line) {
    FILE* log = fopen(log_name, "a");
    if (!log) return;
    fprintf(log, "%s\n", line);
    fclose(log);
}

/* Runs one action about call `c`; a `fail` leaves its errno in `error`. */
static void act(const char* action, const struct call* c, int later, int* error) {
    char verb[16], a[512], b[512];
    const int words = sscanf(action, " %15s %511s %511s", verb, a, b);
    if (words < 1) return;
    if ((words >= 2 && !expand(a, sizeof a)) || (words == 3 && !expand(b, sizeof b))) return;
    if (words == 1 && strcmp(verb, "kill") == 0) {
        kill(getpid(), SIGKILL);
    } else if (words == 3 && strcmp(verb, "rename") == 0) {
        renameat2(AT_FDCWD, a, AT_FDCWD, b, 0);
    } else if (words == 3 && strcmp(verb, "exchange") == 0) {
        renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE);
    } else if (words == 3 && strcmp(verb, "symlink") == 0) {
        symlink(a, b);
    } else if (words == 2 && strcmp(verb, "mkdir") == 0) {
        mkdir(a, 0755);
    } else if (words == 2 && strcmp(verb, "unlink") == 0) {
        unlink(a);
    } else if (words == 2 && strcmp(verb, "mode") == 0) {
        struct stat status;
        FILE* log = fopen(a, "a");
        if (log && fstat(c->fd, &status) == 0) fprintf(log, "%o\n", (unsigned)(status.st_mode & 07777));
        if (log) fclose(log);
    } else if (words == 3 && strcmp(verb, "held") == 0) {
        struct stat file, each;
        int held = 0;
        if (lstat(a, &file) == 0)
            for (int fd = 0; fd < 1024; ++fd)
                held += fstat(fd, &each) == 0 && each.st_dev == file.st_dev && each.st_ino == file.st_ino;
        char line[16];
        snprintf(line, sizeof line, "%d", held);
        append(b, line);
    } else if (words == 2 && strcmp(verb, "note") == 0) {
        char line[sizeof c->what + 8];
        snprintf(line, sizeof line, "%s%s", later ? "after " : "", c->what);
        append(a, line);
    } else if (words == 2 && strcmp(verb, "fail") == 0) {
        size_t i = 0;
        while (i < sizeof errnos / sizeof errnos[0] && strcmp(errnos[i].name, a) != 0) ++i;
        if (i == sizeof errnos / sizeof errnos[0]) unreadable(action);
        *error = errnos[i].value;
    } else {
        unreadable(action);
    }
}

/* Runs the actions of every rule that chose call `c`, before it or after it
 * (`later`); returns the errno a `fail` asked for, or 0. */
static int meddle(const struct call* c, int later) {
    const char* rules = getenv("VEVI_MEDDLE");
    char list[4096];
    snprintf(list, sizeof list, "%s", rules);
    const int saved = errno;
    int error = 0;
    busy = 1;
    char* rest = list;
    for (char* rule = strsep(&rest, "|"); rule; rule = strsep(&rest, "|")) {
        char* actions = rule;
        const char* head = strsep(&actions, ":");
        char words[3][16];
        const int n = sscanf(head, "%15s %15s %15s", words[0], words[1], words[2]);
        if (n < 1) continue;
        const int afterward = n == 3 && strcmp(words[0], "after") == 0;
        const char* name = words[afterward];
        const char* which = words[afterward + 1];
        char* end = NULL;
        const long number = strtol(which, &end, 10);
        int kind = 0;
        while (kind < n_calls && strcmp(call_names[kind], name) != 0) ++kind;
        if (n != 2 + afterward || !actions || kind == n_calls || (strcmp(which, "*") != 0 && (*end || number < 1)))
            unreadable(head);
        if (kind != c->kind || afterward != later || (strcmp(which, "*") != 0 && number != c->count)) continue;
        for (char* action = strsep(&actions, ";"); action; action = strsep(&actions, ";"))
            act(action, c, later, &error);
    }
    busy = 0;
    errno = saved;
    return error;
}

/* Counts call `c` and runs the rules before it; true when one refuses it. */
__attribute__((format(printf, 2, 3))) static int before(struct call* c, const char* format, ...) {
    if (busy || !getenv("VEVI_MEDDLE")) return 0;
    c->count = ++calls[c->kind];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(c->what, sizeof c->what, format, arguments);
    va_end(arguments);
    const int error = meddle(c, 0);
    if (error) errno = error;
    return error != 0;
}

/* Runs the rules after call `c`, which returned `result`; returns what the
 * tool is to see. */
static long after(const struct call* c, long result) {
    if (c->count == 0) return result;
    const int error = meddle(c, 1);
    if (!error) return result;
    if (c->kind == TMPFILE && result >= 0) close((int)result);
    errno = error;
    return -1;
}

#define REAL(name, type) ((type)dlsym(RTLD_NEXT, name))

static const char* kind_of_file(int fd) {
    struct stat status;
    if (fstat(fd, &status) != 0) return "other";
    return S_ISREG(status.st_mode) ? "file" : S_ISDIR(status.st_mode) ? "dir" : "other";
}

int fsync(int fd) {
    struct call c = {FSYNC, fd, 0, ""};
    if (before(&c, "fsync %s", kind_of_file(fd))) return -1;
    return (int)after(&c, REAL("fsync", int (*)(int))(fd));
}

ssize_t write(int fd, const void* buffer, size_t count) {
    struct call c = {WRITE, fd, 0, ""};
    if (!busy && strcmp(kind_of_file(fd), "file") == 0 && before(&c, "write")) return -1;
    return after(&c, REAL("write", ssize_t(*)(int, const void*, size_t))(fd, buffer, count));
}

int renameat2(int old_folder, const char* old_name, int new_folder, const char* new_name, unsigned flags) {
    struct call c = {RENAMEAT2, -1, 0, ""};
    const char* how = flags == RENAME_EXCHANGE    ? "exchange"
                      : flags == RENAME_NOREPLACE ? "noreplace"
                      : flags                     ? "other"
                                                  : "0";
    if (before(&c, "renameat2 %s %s %s", old_name, new_name, how)) return -1;
    return (int)after(&c, REAL("renameat2", int (*)(int, const char*, int, const char*, unsigned))(
                              old_folder, old_name, new_folder, new_name, flags));
}

int renameat(int old_folder, const char* old_name, int new_folder, const char* new_name) {
    struct call c = {RENAMEAT, -1, 0, ""};
    if (before(&c, "renameat %s %s", old_name, new_name)) return -1;
    return (int)after(
        &c, REAL("renameat", int (*)(int, const char*, int, const char*))(old_folder, old_name, new_folder, new_name));
}

ssize_t readlink(const char* path, char* buffer, size_t size) {
    const int of_proc = strncmp(path, "/proc/self/fd/", 14) == 0;
    struct call c = {of_proc ? READLINK : LINKTARGET, -1, 0, ""};
    if (before(&c, "%s %s", call_names[c.kind], path)) return -1;
    return after(&c, REAL("readlink", ssize_t(*)(const char*, char*, size_t))(path, buffer, size));
}

int linkat(int old_folder, const char* old_name, int new_folder, const char* new_name, int flags) {
    struct call c = {LINKAT, -1, 0, ""};
    if (before(&c, "linkat %s %s", old_name, new_name)) return -1;
    return (int)after(&c, REAL("linkat", int (*)(int, const char*, int, const char*, int))(
                              old_folder, old_name, new_folder, new_name, flags));
}

int unlinkat(int folder, const char* name, int flags) {
    struct call c = {UNLINKAT, -1, 0, ""};
    if (before(&c, "unlinkat %s", name)) return -1;
    return (int)after(&c, REAL("unlinkat", int (*)(int, const char*, int))(folder, name, flags));
}

int fchown(int fd, uid_t owner, gid_t group) {
    struct call c = {FCHOWN, fd, 0, ""};
    if (before(&c, "fchown %ld %ld", owner == (uid_t)-1 ? -1L : (long)owner, group == (gid_t)-1 ? -1L : (long)group))
        return -1;
    return (int)after(&c, REAL("fchown", int (*)(int, uid_t, gid_t))(fd, owner, group));
}

/* Only the opens that may create a file are counted, and only they pass a
 * mode. O_TMPFILE holds O_DIRECTORY's bit too, so all of its bits must be
 * there. */
int openat(int folder, const char* name, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    const int unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    struct call c = {unnamed ? TMPFILE : CREATE, -1, 0, ""};
    if ((unnamed || (flags & O_CREAT)) && before(&c, "%s %s", call_names[c.kind], name)) return -1;
    const int fd = REAL("openat", int (*)(int, const char*, int, ...))(folder, name, flags, mode);
    c.fd = fd;
    return (int)after(&c, fd);
}

/* The same call, as 64-bit file offsets name it; on 64-bit systems glibc's two are one. */
int openat64(int folder, const char* name, int flags, ...) __attribute__((alias("openat")));
