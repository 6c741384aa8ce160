// A monkey on the real windows: starts korin.exe, takes a random sequence of
// user actions fixed by a seed, and checks after each one what must always
// hold. A failure names the seed and the step, and the same seed with as
// many steps replays it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "tests/support/started_mark.h"
#include "tools/monkey/actions.h"
#include "tools/monkey/checks.h"
#include "tools/monkey/korin_app.h"
#include "tools/monkey/scratch.h"

namespace {

struct Options {
    std::vector<uint64_t> seeds;
    long long steps = 1000000000;
    long long seconds = 0;
    std::string exe;
    std::string scratch;
    bool trace = false;
};

// Korin's texts are code page 932; the terminal reads UTF-8.
std::string ForTerminal(const std::string& text)
{
    int wide = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (wide <= 0) return text;
    std::wstring buffer(size_t(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &buffer[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return text;
    std::string out(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    out.resize(size_t(bytes - 1));
    return out;
}

void Say(const std::string& line)
{
    std::printf("monkey: %s\n", ForTerminal(line).c_str());
    std::fflush(stdout);
}

std::string Beside(const char* name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

bool Parse(int argc, char** argv, Options* options)
{
    options->exe = Beside("korin.exe");
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--trace") {
            options->trace = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (flag == "--seed") {
            for (char* at = const_cast<char*>(value); *at; at += *at == ',')
                options->seeds.push_back(std::strtoull(at, &at, 10));
        } else if (flag == "--steps") {
            options->steps = std::atoll(value);
        } else if (flag == "--seconds") {
            options->seconds = std::atoll(value);
        } else if (flag == "--exe") {
            options->exe = value;
        } else if (flag == "--scratch") {
            options->scratch = value;
        } else {
            return false;
        }
    }
    if (options->seeds.empty()) options->seeds.push_back(1);
    return options->steps > 0;
}

// One seed's run from Korin's first start; false when a check failed.
bool Run(const Options& options, uint64_t seed, DWORD deadline)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = options.scratch.empty() ? temp + std::string("korin-monkey-") + std::to_string(seed)
                                                       : options.scratch;
    // Every run starts from Korin's first start, so that a seed replays.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Brindlemoor\\Korin");
    Scratch scratch;
    KorinApp app;
    std::string why;
    if (!scratch.Prepare(folder, &why) || !app.Start(options.exe, &why)) {
        Say("could not start: " + why);
        return false;
    }
    Say("seed " + std::to_string(seed) + "; " + app.CountSource());
    Actor actor(app, scratch, seed, options.exe);
    Checker checker(app, scratch, Limits());
    checker.Begin();
    std::deque<std::string> last;
    const DWORD start = GetTickCount();
    long long step = 0;
    while (step < options.steps && (!deadline || int(GetTickCount() - deadline) < 0)) {
        ++step;
        StepRecord record;
        const bool acted = actor.Step(&record, &why);
        last.push_back(std::to_string(step) + ": " + record.what);
        if (last.size() > 12) last.pop_front();
        if (options.trace) Say(last.back());
        if (!acted || !checker.After(int(step), record, actor.View(), &why)) {
            Say("FAILED at step " + std::to_string(step) + " of seed " + std::to_string(seed) + ": " + why);
            Say("the last actions:");
            for (const std::string& line : last) Say("  " + line);
            Say("replay: korin_monkey --seed " + std::to_string(seed) + " --steps " + std::to_string(step));
            const bool shot = SaveScreen(scratch.PathOf("failure-screen.bmp"));
            Say("the scratch folder is kept: " + folder + (shot ? ", with the screen in failure-screen.bmp" : ""));
            return false;
        }
        if (step % 1000 == 0) Say("step " + std::to_string(step) + ": " + checker.Summary());
    }
    const double seconds = double(GetTickCount() - start) / 1000.0;
    char rate[64];
    std::snprintf(rate, sizeof rate, "%.1f s, %.1f actions/s", seconds, double(step) / (seconds > 0 ? seconds : 1));
    Say("passed: " + std::to_string(step) + " actions of seed " + std::to_string(seed) + " in " + rate);
    Say(checker.Summary());
    app.Kill();
    scratch.Remove();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    MarkStarted();
    Options options;
    if (!Parse(argc, argv, &options)) {
        std::fprintf(stderr, "usage: korin_monkey [--seed S[,S...]] [--steps N] [--seconds T] [--exe KORIN.EXE] "
                             "[--scratch FOLDER] [--trace]\n");
        return 2;
    }
    const DWORD deadline = options.seconds > 0 ? GetTickCount() + DWORD(options.seconds) * 1000 : 0;
    for (uint64_t seed : options.seeds)
        if (!Run(options, seed, deadline)) return 1;
    return 0;
}
