#include "ordered_blocks.h"

#include <condition_variable>
#include <future>
#include <mutex>
#include <system_error>

namespace qor {

void makeBlocksInOrder(std::size_t count, const std::function<BlockMaker()>& newMaker,
                       const std::function<void(std::string_view)>& put)
{
    std::mutex mutex;
    std::condition_variable turnChanged;
    std::size_t turn = 0;  // the block whose text goes next
    bool stopped = false; // a thread failed: the other must not wait for its blocks
    const auto work = [&](std::size_t first) {
        try {
            const BlockMaker make = newMaker();
            std::string text;
            for (std::size_t block = first; block < count; block += 2) {
                text.clear();
                make(block, text);
                std::unique_lock lock(mutex);
                turnChanged.wait(lock, [&] { return turn == block || stopped; });
                if (stopped)
                    return;
                // Only the thread whose turn it is gets here; the other waits for the next.
                lock.unlock();
                put(text);
                lock.lock();
                ++turn;
                turnChanged.notify_all();
            }
        } catch (...) {
            {
                const std::lock_guard lock(mutex);
                stopped = true;
            }
            turnChanged.notify_all();
            throw;
        }
    };
    std::future<void> second;
    try {
        second = std::async(std::launch::async, work, 1);
    } catch (const std::system_error&) {
        const BlockMaker make = newMaker();
        std::string text;
        for (std::size_t block = 0; block < count; ++block) {
            text.clear();
            make(block, text);
            put(text);
        }
        return;
    }
    try {
        work(0);
    } catch (...) {
        second.wait();
        throw;
    }
    second.get();
}

} // namespace qor
