/* Loaded into the tool (LD_PRELOAD) by the tests that show a command reads
 * no clock and opens, creates, renames or removes no file: every such call
 * ends the process at once with status 86, naming the call on standard
 * error. Calls that libc makes internally are not seen; the tests check that
 * a command which does read the clock or a file trips it. */
#define _GNU_SOURCE
#undef _FORTIFY_SOURCE

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

static _Noreturn void tripped(const char* call) {
    static const char prefix[] = "tripwire: ";
    (void)!write(STDERR_FILENO, prefix, sizeof prefix - 1);
    (void)!write(STDERR_FILENO, call, strlen(call));
    (void)!write(STDERR_FILENO, "\n", 1);
    _exit(86);
}

/* The clocks. */
int clock_gettime(clockid_t clock, struct timespec* time) {
    (void)clock, (void)time;
    tripped("clock_gettime");
}
int gettimeofday(struct timeval* restrict time, void* restrict zone) {
    (void)time, (void)zone;
    tripped("gettimeofday");
}
time_t time(time_t* time) {
    (void)time;
    tripped("time");
}
int timespec_get(struct timespec* time, int base) {
    (void)time, (void)base;
    tripped("timespec_get");
}

/* Files. */
int open(const char* path, int flags, ...) {
    (void)path, (void)flags;
    tripped("open");
}
int open64(const char* path, int flags, ...) {
    (void)path, (void)flags;
    tripped("open64");
}
int openat(int folder, const char* path, int flags, ...) {
    (void)folder, (void)path, (void)flags;
    tripped("openat");
}
int openat64(int folder, const char* path, int flags, ...) {
    (void)folder, (void)path, (void)flags;
    tripped("openat64");
}
int creat(const char* path, mode_t mode) {
    (void)path, (void)mode;
    tripped("creat");
}
int creat64(const char* path, mode_t mode) {
    (void)path, (void)mode;
    tripped("creat64");
}
FILE* fopen(const char* restrict path, const char* restrict mode) {
    (void)path, (void)mode;
    tripped("fopen");
}
FILE* fopen64(const char* restrict path, const char* restrict mode) {
    (void)path, (void)mode;
    tripped("fopen64");
}
FILE* freopen(const char* restrict path, const char* restrict mode, FILE* restrict stream) {
    (void)path, (void)mode, (void)stream;
    tripped("freopen");
}
int mkstemp(char* pattern) {
    (void)pattern;
    tripped("mkstemp");
}
int mkostemp(char* pattern, int flags) {
    (void)pattern, (void)flags;
    tripped("mkostemp");
}
int rename(const char* from, const char* to) {
    (void)from, (void)to;
    tripped("rename");
}
int renameat(int from_folder, const char* from, int to_folder, const char* to) {
    (void)from_folder, (void)from, (void)to_folder, (void)to;
    tripped("renameat");
}
int unlink(const char* path) {
    (void)path;
    tripped("unlink");
}
int unlinkat(int folder, const char* path, int flags) {
    (void)folder, (void)path, (void)flags;
    tripped("unlinkat");
}
int mkdir(const char* path, mode_t mode) {
    (void)path, (void)mode;
    tripped("mkdir");
}
