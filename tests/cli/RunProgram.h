#pragma once

#include <string>
#include <vector>

namespace varnholt {

struct ProgramRun {
    int exitStatus = -1;  // 128 + signal when it was killed
    std::string out;
    std::string err;
    std::string terminal;  // what the program wrote to its terminal, when it had one
};

enum class Terminal {
    None,      // a session of its own without a controlling terminal; standard input empty
    Attached,  // a pseudo-terminal as its controlling terminal and standard input
};

// Runs program with args and waits for it; typed is what the user types on the terminal
// (Terminal::Attached only). Standard output and standard error are pipes.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      Terminal terminal = Terminal::None, const std::string& typed = {});

// Standard output of a shell command, trailing newline removed.
std::string shellOutput(const std::string& command);

// A path quoted for the shell.
std::string quoted(const std::string& text);

}  // namespace varnholt
