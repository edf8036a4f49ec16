/* peak-memory RESULT PROGRAM [ARGUMENTS...]
 *
 * Runs PROGRAM and writes "<exit status> <peak resident KiB>" to the file
 * RESULT (status -1 when a signal ended it). A child's peak resident memory
 * starts from that of the process it was forked from, so a large benchmark
 * that ran the tool itself would see its own size in the figure; this small
 * launcher stands in between. Its standard output is the program's. */
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) return 125;
    const pid_t child = fork();
    if (child < 0) return 125;
    if (child == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) != child) return 125;
    const int exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    FILE* result = fopen(argv[1], "w");
    if (!result) return 125;
    fprintf(result, "%d %ld\n", exit_status, usage.ru_maxrss);
    return fclose(result) == 0 ? 0 : 125;
}
