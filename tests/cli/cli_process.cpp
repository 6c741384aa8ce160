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

namespace {

const int kTimeLimitMs = 60000;

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

void Run(const std::vector<std::string>& args, const std::string& outPath,
         const std::string& errPath, CliRun* run)
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
    if (!started) return;
    if (WaitForSingleObject(process.hProcess, kTimeLimitMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run->finished = true;
        run->exitCode = int(code);
    } else {
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, kTimeLimitMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

#else

void Run(const std::vector<std::string>& args, const std::string& outPath,
         const std::string& errPath, CliRun* run)
{
    std::vector<char*> argv;
    std::string exe = KORIN_CLI_PATH;
    argv.push_back(&exe[0]);
    std::vector<std::string> copies(args);
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child < 0) return;
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
    for (int waited = 0; waited < kTimeLimitMs; waited += 5) {
        int status = 0;
        rusage usage = {};
        pid_t done = wait4(child, &status, WNOHANG, &usage);
        if (done == child) {
            run->peakKilobytes = usage.ru_maxrss;
            run->finished = WIFEXITED(status);
            run->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return;
        }
        if (done < 0 && errno != EINTR) return;
        nanosleep(&pause, nullptr);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

#endif

}  // namespace

CliRun RunCli(const std::vector<std::string>& args)
{
    CliRun run = {false, -1, std::string(), std::string(), 0};
    TempFolder capture;
    const std::string outPath = capture.File("stdout");
    const std::string errPath = capture.File("stderr");
    Run(args, outPath, errPath, &run);
    run.out = ReadWholeFile(outPath);
    run.err = ReadWholeFile(errPath);
    return run;
}
