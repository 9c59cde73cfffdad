/* Stands in for the installer the launcher starts: writes the moment it began (CLOCK_MONOTONIC,
   nanoseconds, the clock the benchmark clicks by) to "started" beside itself, then ends. */
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char path[PATH_MAX], partial[PATH_MAX + 16], started[PATH_MAX + 16];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return 1;
    path[n] = '\0';
    *strrchr(path, '/') = '\0';
    snprintf(partial, sizeof partial, "%s/started.part", path);
    snprintf(started, sizeof started, "%s/started", path);
    FILE* f = fopen(partial, "w");
    if (!f) return 1;
    fprintf(f, "%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    /* Renamed whole, so a reader never sees half a number. */
    return fclose(f) == 0 && rename(partial, started) == 0 ? 0 : 1;
}
