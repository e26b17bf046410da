#pragma once
// What the process holds right now: its resident memory and its open file
// descriptors, read from /proc.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>

namespace tarn::test {

struct ProcessFigures {
    long residentKiB = 0;
    int openFds = 0;
};

inline ProcessFigures MeasureProcess() {
    ProcessFigures figures;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        long size = 0, resident = 0;
        if (std::fscanf(statm, "%ld %ld", &size, &resident) == 2)
            figures.residentKiB = resident * (::sysconf(_SC_PAGESIZE) / 1024);
        std::fclose(statm);
    }
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds))
            if (entry->d_name[0] != '.') ++figures.openFds;
        ::closedir(fds);
        --figures.openFds;  // the directory's own descriptor
    }
    return figures;
}

}  // namespace tarn::test
