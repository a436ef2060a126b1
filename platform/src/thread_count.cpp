#include <fstream>
#include <string>

#include "platform/system.h"

namespace platform {

int ThreadCount() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Threads:", 0) == 0) {
            try {
                return std::stoi(line.substr(8));
            } catch (...) {
                return -1;
            }
        }
    }
    return -1;
}

}  // namespace platform
