// What the two threads of a walk share under one lock: whether the taking
// side stopped, how the walking side ended, and a wake for the other side
// after each change, sent only while a side waits (a wake costs a system call).
#ifndef KORIN_IMAGE_WALK_HANDOVER_H
#define KORIN_IMAGE_WALK_HANDOVER_H

#include <condition_variable>
#include <mutex>
#include <string>

class WalkHandover {
public:
    // Any change of the shared state, under the lock.
    template <class Step>
    void Change(const Step& step)
    {
        bool wake;
        {
            std::lock_guard<std::mutex> guard(lock);
            step();
            wake = sleepers > 0;
        }
        if (wake) changed.notify_all();
    }
    // Waits under the lock until ready(); a side that waits first wakes the
    // other, whose wait may hang on what this one did without a Change.
    template <class Ready>
    void Wait(std::unique_lock<std::mutex>& guard, const Ready& ready)
    {
        if (sleepers) changed.notify_all();
        ++sleepers;
        changed.wait(guard, ready);
        --sleepers;
    }
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(lock); }

    void Stop()
    {
        Change([&] { stopped = true; });
    }
    void Finish(bool sound, const std::string& reason)
    {
        Change([&] {
            finished = true;
            walkSound = sound;
            walkReason = reason;
        });
    }
    bool WalkSound(std::string* reason)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!walkSound && reason) *reason = walkReason;
        return walkSound;
    }
    // Under the lock.
    bool Stopped() const { return stopped; }
    bool Finished() const { return finished; }

private:
    std::mutex lock;
    std::condition_variable changed;
    unsigned sleepers = 0;
    bool stopped = false, finished = false, walkSound = false;
    std::string walkReason;
};

#endif
