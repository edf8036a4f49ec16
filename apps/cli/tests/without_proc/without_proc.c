/* Runs a program where /proc is absent, as in a chroot or a container that
 * masks it: in a mount namespace of its own, with an empty tmpfs over /proc.
 * `without_proc PROGRAM ARG...` runs PROGRAM; `without_proc` alone only
 * tells whether such a namespace can be made here. Status 125 with the
 * reason on stderr when it cannot. */
#define _GNU_SOURCE

#include <errno.h>
#include <sched.h>
#include <stdio.h>
#include <string.h>
#include <sys/mount.h>
#include <unistd.h>

static int cannot(const char* step) {
    fprintf(stderr, "cannot hide /proc: %s: %s\n", step, strerror(errno));
    return 125;
}

int main(int argc, char** argv) {
    if (unshare(CLONE_NEWNS) != 0) return cannot("unshare");
    /* Private, so that the tmpfs stays in this namespace. */
    if (mount(NULL, "/", NULL, MS_REC | MS_PRIVATE, NULL) != 0) return cannot("mount --make-rprivate /");
    if (mount("none", "/proc", "tmpfs", 0, NULL) != 0) return cannot("mount tmpfs /proc");
    if (argc < 2) return 0;
    execv(argv[1], argv + 1);
    return cannot("exec");
}
