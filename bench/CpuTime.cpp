// cputime FILE COMMAND [ARGS...]: runs COMMAND on this program's standard input, output and error,
// waits for it, and appends to FILE the processor time it took (user + system, of that process
// alone) in microseconds. bench/run.sh times with it where the shell's own measure gives whole
// milliseconds only, too coarse beside cat's few.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: cputime FILE COMMAND [ARGS...]\n");
        return 2;
    }
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) < 0) return 1;
    std::FILE* out = std::fopen(argv[1], "a");
    if (out == nullptr) return 1;
    const long long micros = (static_cast<long long>(usage.ru_utime.tv_sec) +
                              static_cast<long long>(usage.ru_stime.tv_sec)) *
                                 1000000 +
                             usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    std::fprintf(out, "%lld\n", micros);
    std::fclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
