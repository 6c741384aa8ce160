// The main of every test program: GoogleTest's own, after the start mark,
// with a watchdog where KORIN_TEST_SECONDS gives a test's share of time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

#include "tests/support/started_mark.h"

namespace {

// What the watchdog watches; never freed, since its thread may outlive main.
struct Watched {
    std::mutex guard;
    std::string name;
    std::chrono::steady_clock::time_point started;
    bool running = false;
};

#ifdef _WIN32
BOOL CALLBACK CollectWindow(HWND window, LPARAM lines)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char className[64] = "", caption[256] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    *reinterpret_cast<std::string*>(lines) += std::string("\n  window ") + className + " [" + caption + "]" +
                                               (IsWindowEnabled(window) ? "" : " (disabled)");
    return TRUE;
}

// The visible windows: a modal box that nobody answered shows here.
std::string Screen()
{
    std::string lines;
    EnumWindows(CollectWindow, LPARAM(&lines));
    return lines.empty() ? std::string(" No window is shown.") : " Shown:" + lines;
}
#else
std::string Screen()
{
    return std::string();
}
#endif

void Watch(Watched* watched, int limit)
{
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::lock_guard<std::mutex> lock(watched->guard);
        if (!watched->running || std::chrono::steady_clock::now() - watched->started < std::chrono::seconds(limit))
            continue;
        std::fflush(stdout);
        std::fprintf(stderr, "watchdog: %s is still running after %d s; stopped.%s\n", watched->name.c_str(),
                     limit, Screen().c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
}

// A test that overruns its share is stopped, naming itself and what is on the
// screen, well before CTest's limit would stop it without a word.
class Watchdog : public ::testing::EmptyTestEventListener {
public:
    explicit Watchdog(int seconds) : watched(new Watched) { std::thread(Watch, watched, seconds).detach(); }

    void OnTestStart(const ::testing::TestInfo& test) override
    {
        std::lock_guard<std::mutex> lock(watched->guard);
        watched->name = std::string(test.test_suite_name()) + "." + test.name();
        watched->started = std::chrono::steady_clock::now();
        watched->running = true;
    }

    void OnTestEnd(const ::testing::TestInfo&) override
    {
        std::lock_guard<std::mutex> lock(watched->guard);
        watched->running = false;
    }

private:
    Watched* watched;
};

}  // namespace

int main(int argc, char** argv)
{
    MarkStarted();
    ::testing::InitGoogleTest(&argc, argv);
    if (const char* seconds = std::getenv("KORIN_TEST_SECONDS")) {
        const int limit = std::atoi(seconds);
        if (limit > 0) ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(limit));
    }
    const int status = RUN_ALL_TESTS();
    MarkEnded(status);
    return status;
}
