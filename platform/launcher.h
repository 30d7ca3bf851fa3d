#pragma once
// Hands a file to the desktop's file handler without waiting for it (backend:
// platform/launcher, xdg-open).
#include <string>

namespace platform {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts the handler and returns at once; false when it could not be started.
    virtual bool open(const std::string& path) = 0;
};

}  // namespace platform
