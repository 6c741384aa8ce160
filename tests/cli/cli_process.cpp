#include "tests/cli/cli_process.h"

#include "tests/support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <chrono>

namespace {

// One run may take a minute, and one test's runs together four, well inside
// CTest's five: a run that does not end is killed and named, instead of the
// whole test being stopped from outside without a word.
const int kRunLimitMs = 60000;
const int kTestLimitMs = 240000;

// The time left of the current test's share.
int TimeLeftMs()
{
    static const ::testing::TestInfo* test = nullptr;
    static std::chrono::steady_clock::time_point started;
    const ::testing::TestInfo* now = ::testing::UnitTest::GetInstance()->current_test_info();
    if (now != test) {
        test = now;
        started = std::chrono::steady_clock::now();
    }
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    return int(kTestLimitMs - spent.count());
}

std::string Shown(const std::vector<std::string>& args)
{
    std::string shown = "korin-cli";
    for (const std::string& arg : args) shown += " " + arg;
    return shown;
}

#ifdef _WIN32

// The build runs on Linux, where Wine shows / as drive Z:.
std::string ExecutablePath()
{
    std::string path = KORIN_CLI_PATH;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// One argument in the quoting the C runtime's parser undoes.
std::string Quote(const std::string& arg)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

HANDLE CreateInheritable(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// False when the run did not end within limitMs and was killed.
bool Run(const std::vector<std::string>& args, const std::string& outPath,
         const std::string& errPath, int limitMs, CliRun* run)
{
    const std::string exe = ExecutablePath();
    std::string commandLine = Quote(exe);
    for (const std::string& arg : args) commandLine += " " + Quote(arg);

    HANDLE out = CreateInheritable(outPath);
    HANDLE err = CreateInheritable(errPath);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) {
        ADD_FAILURE() << Shown(args) << ": could not be started (error " << GetLastError() << ")";
        return true;
    }
    const bool ended = WaitForSingleObject(process.hProcess, DWORD(limitMs)) == WAIT_OBJECT_0;
    if (ended) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run->finished = true;
        run->exitCode = int(code);
    } else {
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

#else

bool Run(const std::vector<std::string>& args, const std::string& outPath,
         const std::string& errPath, int limitMs, CliRun* run)
{
    std::vector<char*> argv;
    std::string exe = KORIN_CLI_PATH;
    argv.push_back(&exe[0]);
    std::vector<std::string> copies(args);
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child < 0) return true;
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    const timespec pause = {0, 5 * 1000 * 1000};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        rusage usage = {};
        pid_t done = wait4(child, &status, WNOHANG, &usage);
        if (done == child) {
            run->peakKilobytes = usage.ru_maxrss;
            run->finished = WIFEXITED(status);
            run->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
        if (done < 0 && errno != EINTR) return true;
        nanosleep(&pause, nullptr);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return false;
}

#endif

}  // namespace

CliRun RunCli(const std::vector<std::string>& args)
{
    CliRun run = {false, -1, std::string(), std::string(), 0};
    TempFolder capture;
    const std::string outPath = capture.File("stdout");
    const std::string errPath = capture.File("stderr");
    const int left = TimeLeftMs();
    if (left <= 0) {
        ADD_FAILURE() << Shown(args) << ": not run, the test's " << kTestLimitMs / 1000 << " s are spent";
        return run;
    }
    const int limitMs = left < kRunLimitMs ? left : kRunLimitMs;
    if (!Run(args, outPath, errPath, limitMs, &run))
        ADD_FAILURE() << Shown(args) << ": did not end within " << limitMs / 1000 << " s and was killed";
    run.out = ReadWholeFile(outPath);
    run.err = ReadWholeFile(errPath);
    return run;
}
