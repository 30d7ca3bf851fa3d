#pragma once
#include <string>
#include <vector>

#include "platform/launcher.h"

class FakeLauncher : public platform::Launcher {
public:
    bool open(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    std::vector<std::string> opened;
};
