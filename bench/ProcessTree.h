#pragma once
// The memory a benchmarked program and everything it started hold at once.
#include <dirent.h>
#include <sys/types.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

// Memory of `root` and all its descendants, in KB: their proportional set
// sizes, so pages a speech helper shares with the child it forked count once.
inline long TreeRssKb(pid_t root) {
    std::map<pid_t, pid_t> parents;
    DIR* proc = opendir("/proc");
    if (!proc) return 0;
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = atoi(entry->d_name);
        if (pid <= 0) continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(line.substr(close + 2));
        std::string state;
        fields >> state >> parents[pid];
    }
    closedir(proc);
    long total = 0;
    for (const auto& [pid, parent] : parents) {
        bool mine = false;
        for (pid_t p = pid; p > 1 && !mine; p = parents.count(p) ? parents[p] : 0) mine = p == root;
        if (!mine) continue;
        std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
        for (std::string field; rollup >> field;) {
            if (field != "Pss:") continue;
            long kb = 0;
            rollup >> kb;
            total += kb;
            break;
        }
    }
    return total;
}
