// Runs the korin-cli executable of this build as a child process and collects
// what it printed and its exit status.
#ifndef KORIN_TESTS_CLI_PROCESS_H
#define KORIN_TESTS_CLI_PROCESS_H

#include <string>
#include <vector>

struct CliRun {
    bool finished;  // false when it did not end within the time limit (it was killed)
    int exitCode;
    std::string out;
    std::string err;
    long peakKilobytes;  // the most memory it held at once; 0 where the system does not tell
};

// Runs korin-cli with args; waits at most a minute, and fails the test, naming
// the call, when it has to kill it or when the test's runs took four minutes.
CliRun RunCli(const std::vector<std::string>& args);

#endif
