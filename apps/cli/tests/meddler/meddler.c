/* Loaded into the tool (LD_PRELOAD) by the tests of its writer: a neighbour
 * who changes names, or a process killed, at chosen steps of a write.
 *
 *   VEVI_MEDDLE  rules separated by '|', each "CALL N: ACTIONS" (before the
 *                Nth call of CALL) or "CALL *: ACTIONS" (before every one).
 *                CALL is one of
 *                  fsync      the flush of a written file or a directory
 *                  write      counted only on regular files
 *                  renameat2  the swaps that put files in place, and the
 *                             renames of named temporaries
 *                  readlink   counted only on /proc/self/fd/, the kernel's
 *                             name for an open file
 *                ACTIONS are separated by ';' and run in the tool's folder:
 *                  rename A B | exchange A B | mkdir A | symlink TARGET A |
 *                  unlink A | kill | mode LOG (appends the octal mode of the
 *                  call's file to LOG)
 *
 * The call itself then goes on as usual. */
#define _GNU_SOURCE

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* const call_names[] = {"fsync", "write", "renameat2", "readlink"};
enum { n_calls = sizeof call_names / sizeof call_names[0] };
static long calls[n_calls];
static int busy; /* the actions' own calls are not counted */

static void act(const char* action, int fd) {
    char verb[16], a[512], b[512];
    const int words = sscanf(action, " %15s %511s %511s", verb, a, b);
    if (words < 1) return;
    if (strcmp(verb, "kill") == 0) {
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
        if (log && fstat(fd, &status) == 0) fprintf(log, "%o\n", (unsigned)(status.st_mode & 07777));
        if (log) fclose(log);
    }
}

/* Runs the actions of every rule that chose this call of `call`. */
static void meddle(int call, int fd) {
    const char* rules = getenv("VEVI_MEDDLE");
    if (busy || !rules) return;
    const long count = ++calls[call];
    char list[4096];
    snprintf(list, sizeof list, "%s", rules);
    busy = 1;
    char* rest = list;
    for (char* rule = strsep(&rest, "|"); rule; rule = strsep(&rest, "|")) {
        char name[16], which[24];
        int used = 0;
        if (sscanf(rule, " %15s %23[^:]:%n", name, which, &used) != 2 || used == 0) continue;
        if (strcmp(name, call_names[call]) != 0) continue;
        if (strcmp(which, "*") != 0 && atol(which) != count) continue;
        char* actions = rule + used;
        for (char* action = strsep(&actions, ";"); action; action = strsep(&actions, ";")) act(action, fd);
    }
    busy = 0;
}

#define REAL(name, type) ((type)dlsym(RTLD_NEXT, name))

int fsync(int fd) {
    meddle(0, fd);
    return REAL("fsync", int (*)(int))(fd);
}

ssize_t write(int fd, const void* buffer, size_t count) {
    struct stat status;
    if (!busy && fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) meddle(1, fd);
    return REAL("write", ssize_t(*)(int, const void*, size_t))(fd, buffer, count);
}

int renameat2(int old_folder, const char* old_name, int new_folder, const char* new_name, unsigned flags) {
    meddle(2, -1);
    return REAL("renameat2", int (*)(int, const char*, int, const char*, unsigned))(old_folder, old_name, new_folder,
                                                                                    new_name, flags);
}

ssize_t readlink(const char* path, char* buffer, size_t size) {
    if (strncmp(path, "/proc/self/fd/", 14) == 0) meddle(3, -1);
    return REAL("readlink", ssize_t(*)(const char*, char*, size_t))(path, buffer, size);
}
