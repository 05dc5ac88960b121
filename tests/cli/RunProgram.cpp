#include "RunProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace varnholt {
namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        read = fds[0];
        write = fds[1];
    }
};

// Reads every descriptor until it ends; a pseudo-terminal master ends with EIO.
void drain(std::vector<std::pair<int, std::string*>> sources) {
    while (!sources.empty()) {
        std::vector<pollfd> fds;
        for (const auto& [fd, text] : sources) fds.push_back({fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 60000) <= 0) break;  // a hung program fails the test
        for (std::size_t i = fds.size(); i-- > 0;) {
            if (fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sources[i].second->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                sources.erase(sources.begin() + static_cast<long>(i));
            }
        }
    }
    for (const auto& source : sources) ::close(source.first);
}

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      Terminal terminal, const std::string& typed) {
    Pipe out;
    Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A new session: the program can never reach the terminal the tests run in.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    int master = -1;
    int slave = -1;
    if (terminal == Terminal::Attached) {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            throw std::runtime_error("pseudo-terminal");
        }
        // Held open here until the program has it, so the master never sees a hang-up before.
        slave = ::open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        // Opened by the session leader, it becomes the program's controlling terminal.
        posix_spawn_file_actions_addopen(&actions, 0, ptsname(master), O_RDWR, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);

    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    // posix_spawn returns once the program runs, its file actions done.
    ::close(out.write);
    ::close(err.write);
    if (slave >= 0) ::close(slave);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);

    ProgramRun run;
    std::vector<std::pair<int, std::string*>> sources{{out.read, &run.out}, {err.read, &run.err}};
    if (master >= 0) {
        if (!typed.empty() && ::write(master, typed.data(), typed.size()) < 0) {
            throw std::runtime_error("typing");
        }
        sources.push_back({master, &run.terminal});
    }
    drain(sources);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

std::string shellOutput(const std::string& command) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return text;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    pclose(pipe);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        if (c == '\'') {
            result += "'\\''";
        } else {
            result += c;
        }
    }
    return result + "'";
}

}  // namespace varnholt
