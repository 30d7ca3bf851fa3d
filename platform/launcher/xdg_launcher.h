#pragma once
#include "platform/launcher.h"

class XdgLauncher : public platform::Launcher {
public:
    // command: the opener to run with the path as its one argument.
    explicit XdgLauncher(std::string command = "xdg-open");
    bool open(const std::string& path) override;

private:
    std::string m_command;
};
