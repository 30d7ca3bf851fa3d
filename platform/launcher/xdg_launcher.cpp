#include "platform/launcher/xdg_launcher.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

XdgLauncher::XdgLauncher(std::string command) : m_command(std::move(command)) {}

// The opener runs in a grandchild, so nothing is left for this process to reap and the
// caller never waits for the application it starts.
bool XdgLauncher::open(const std::string& path) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        pid_t grandchild = 0;
        char* argv[] = {const_cast<char*>(m_command.c_str()), const_cast<char*>(path.c_str()),
                        nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", 0, 0);
        const int rc = posix_spawnp(&grandchild, m_command.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        _exit(rc == 0 ? 0 : 127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
