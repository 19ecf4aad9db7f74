// bench-launch PROGRAM [ARGS...]: starts PROGRAM with the time of its start in the environment
// and reports its peak memory.
//
// The child reads CLOCK_MONOTONIC right before execve and passes it on as MXR_BENCH_LAUNCH_NS
// (nanoseconds), so the program measures from the moment it begins to exist as itself. The
// parent waits with wait4 and prints the child's maximum resident set size; the launcher is
// far smaller than any Qt program, so the fork's own pages never set that maximum.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-launch PROGRAM [ARGS...]\n");
        return 2;
    }
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) {
        std::perror("bench-launch: fork");
        return 2;
    }
    if (child == 0) {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        char value[32];
        std::snprintf(value, sizeof value, "%lld", ts.tv_sec * 1000000000LL + ts.tv_nsec);
        setenv("MXR_BENCH_LAUNCH_NS", value, 1);
        execv(argv[1], argv + 1);
        std::perror("bench-launch: exec");
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) < 0) {
        std::perror("bench-launch: wait4");
        return 2;
    }
    std::printf("maxrss_kib=%ld\n", usage.ru_maxrss);
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    std::fprintf(stderr, "bench-launch: %s ended by signal %d\n", argv[1], WTERMSIG(status));
    return 1;
}
