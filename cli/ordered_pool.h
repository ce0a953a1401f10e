#pragma once
// Runs numbered tasks on several threads and hands their results back one by one in task order,
// each as soon as it and every earlier one are done. Only a bounded number of tasks are under way
// or waiting to be handed back at any time, so that memory grows with the threads, never with
// the number of tasks.

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// work(thread, task) runs on one of `threads` threads (numbered from 0) and gives the task's
// result; deliver(task, result) runs on the calling thread, in task order. Besides the result
// being delivered, at most `window` tasks are under way or waiting to be delivered. One thread
// does everything on the calling thread.
template <typename Result, typename Work, typename Deliver>
void runInOrder(std::size_t tasks, int threads, std::size_t window, Work work, Deliver deliver)
{
    if (threads <= 1) {
        for (std::size_t task = 0; task < tasks; ++task)
            deliver(task, work(0, task));
        return;
    }
    window = std::max<std::size_t>(window, 1);
    std::mutex mutex;
    std::condition_variable finished;  // a result arrived
    std::condition_variable room;      // a result was handed back, or the tasks ran out
    std::vector<std::optional<Result>> pending(window);  // task t waits in slot t % window
    std::size_t nextToStart = 0;
    std::size_t nextToDeliver = 0;

    auto worker = [&](int thread) {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            room.wait(lock,
                      [&] { return nextToStart >= tasks || nextToStart < nextToDeliver + window; });
            if (nextToStart >= tasks)
                return;
            const std::size_t task = nextToStart++;
            lock.unlock();
            Result result = work(thread, task);
            lock.lock();
            pending[task % window] = std::move(result);
            if (task == nextToDeliver)
                finished.notify_one();
        }
    };
    std::vector<std::thread> pool;
    for (int thread = 0; thread < threads; ++thread)
        pool.emplace_back(worker, thread);

    for (std::size_t task = 0; task < tasks; ++task) {
        std::unique_lock<std::mutex> lock(mutex);
        std::optional<Result>& slot = pending[task % window];
        finished.wait(lock, [&] { return slot.has_value(); });
        Result result = std::move(*slot);
        slot.reset();
        nextToDeliver = task + 1;
        lock.unlock();
        room.notify_all();
        deliver(task, std::move(result));
    }
    for (std::thread& thread : pool)
        thread.join();
}
