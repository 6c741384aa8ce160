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

#include "tools/monkey/actions.h"
#include "tools/monkey/checks.h"
#include "tools/monkey/korin_app.h"
#include "tools/monkey/scratch.h"

namespace {

struct Options {
    uint64_t seed = 1;
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
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    options->exe = Beside("korin.exe");
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (flag == "--trace") {
            options->trace = true;
            continue;
        }
        if (!value) return false;
        ++i;
        if (flag == "--seed") options->seed = std::strtoull(value, nullptr, 10);
        else if (flag == "--steps") options->steps = std::atoll(value);
        else if (flag == "--seconds") options->seconds = std::atoll(value);
        else if (flag == "--exe") options->exe = value;
        else if (flag == "--scratch") options->scratch = value;
        else return false;
    }
    if (options->scratch.empty()) options->scratch = std::string(temp) + "korin-monkey-" + std::to_string(options->seed);
    return options->steps > 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!Parse(argc, argv, &options)) {
        std::fprintf(stderr, "usage: korin_monkey [--seed S] [--steps N] [--seconds T] [--exe KORIN.EXE] "
                             "[--scratch FOLDER] [--trace]\n");
        return 2;
    }
    // Every run starts from Korin's first start, so that a seed replays.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Brindlemoor\\Korin");
    Scratch scratch;
    KorinApp app;
    std::string why;
    if (!scratch.Prepare(options.scratch, &why) || !app.Start(options.exe, &why)) {
        Say("could not start: " + why);
        return 1;
    }
    Say("seed " + std::to_string(options.seed) + "; " + app.CountSource());
    Actor actor(app, scratch, options.seed, options.exe);
    Checker checker(app, scratch, Limits());
    checker.Begin();
    std::deque<std::string> last;
    const DWORD start = GetTickCount();
    long long step = 0;
    while (step < options.steps && (options.seconds <= 0 || GetTickCount() - start < DWORD(options.seconds) * 1000)) {
        ++step;
        StepRecord record;
        const bool acted = actor.Step(&record, &why);
        last.push_back(std::to_string(step) + ": " + record.what);
        if (last.size() > 12) last.pop_front();
        if (options.trace) Say(last.back());
        if (!acted || !checker.After(int(step), record, actor.View(), &why)) {
            Say("FAILED at step " + std::to_string(step) + " of seed " + std::to_string(options.seed) + ": " + why);
            Say("the last actions:");
            for (const std::string& line : last) Say("  " + line);
            Say("replay: korin_monkey --seed " + std::to_string(options.seed) + " --steps " + std::to_string(step));
            const std::string shot = scratch.PathOf("failure-screen.bmp");
            Say("the scratch folder is kept: " + options.scratch + (SaveScreen(shot) ? ", with the screen in failure-screen.bmp" : ""));
            return 1;
        }
        if (step % 1000 == 0) Say("step " + std::to_string(step) + ": " + checker.Summary());
    }
    const double seconds = double(GetTickCount() - start) / 1000.0;
    char rate[64];
    std::snprintf(rate, sizeof rate, "%.1f s, %.1f actions/s", seconds, double(step) / (seconds > 0 ? seconds : 1));
    Say("passed: " + std::to_string(step) + " actions of seed " + std::to_string(options.seed) + " in " + rate);
    Say(checker.Summary());
    app.Kill();
    scratch.Remove();
    return 0;
}
