#pragma once
// A small bounded queue between two threads of one player, with abort() for
// shutdown and a "stale" test so that a producer blocked on a full queue
// gives up as soon as a seek made its item worthless.
//
// Thread: any thread; every member is guarded by the queue's mutex.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace kvm
{

template <typename T> class BlockingQueue
{
public:
    // A producer that found the queue full waits until it holds no more
    // than lowWater items, so it refills in batches; by default it goes on
    // as soon as there is room.
    explicit BlockingQueue(size_t capacity, size_t lowWater = 0)
        : _capacity(capacity),
          _lowWater(lowWater > 0 && lowWater < capacity ? lowWater : capacity - 1)
    {
    }

    // Waits while the queue is full (see lowWater); false (item not queued)
    // when aborted or when stale() says the item is no longer wanted. Every
    // change of what stale() says must be followed by wakeProducers(),
    // removeIf() or abort(); the timed wait is only a safety net, long
    // enough that a producer refilling once a second or so sleeps through.
    bool push(T item, const std::function<bool()> &stale = {})
    {
        std::unique_lock lock(_mutex);
        if (_items.size() >= _capacity) {
            while (_items.size() > _lowWater && !_aborted && !(stale && stale()))
                _notFull.wait_for(lock, std::chrono::milliseconds(500));
        }
        if (_aborted || (stale && stale()))
            return false;
        _items.push_back(std::move(item));
        _notEmpty.notify_all();
        return true;
    }

    // Queues without waiting; drops the oldest item when full, or the
    // oldest one mayDrop allows (none allowed: the queue grows by one).
    void pushDropOldest(T item, const std::function<bool(const T &)> &mayDrop = {})
    {
        std::lock_guard lock(_mutex);
        if (_aborted)
            return;
        if (_items.size() >= _capacity) {
            auto it = _items.begin();
            while (mayDrop && it != _items.end() && !mayDrop(*it))
                ++it;
            if (it != _items.end())
                _items.erase(it);
        }
        _items.push_back(std::move(item));
        _notEmpty.notify_all();
    }

    // Waits for an item; false when aborted.
    bool pop(T *out)
    {
        std::unique_lock lock(_mutex);
        _notEmpty.wait(lock, [this] { return _aborted || !_items.empty(); });
        if (_aborted)
            return false;
        *out = std::move(_items.front());
        _items.pop_front();
        if (_items.size() <= _lowWater)
            _notFull.notify_all();
        return true;
    }

    // Non-blocking look at the item at index i (0 = front).
    bool peek(size_t i, T *out) const
    {
        std::lock_guard lock(_mutex);
        if (i >= _items.size())
            return false;
        *out = _items[i];
        return true;
    }

    bool dropFront()
    {
        std::lock_guard lock(_mutex);
        if (_items.empty())
            return false;
        _items.pop_front();
        if (_items.size() <= _lowWater)
            _notFull.notify_all();
        return true;
    }

    // Waits up to timeout for the queue to hold an item.
    void waitNotEmpty(std::chrono::microseconds timeout)
    {
        std::unique_lock lock(_mutex);
        _notEmpty.wait_for(lock, timeout, [this] { return _aborted || !_items.empty(); });
    }

    // Removes the items for which drop() is true; wakes blocked producers.
    void removeIf(const std::function<bool(const T &)> &drop)
    {
        std::lock_guard lock(_mutex);
        for (auto it = _items.begin(); it != _items.end();)
            it = drop(*it) ? _items.erase(it) : it + 1;
        _notFull.notify_all();
    }

    // Wakes producers blocked on a full queue so they re-test stale().
    void wakeProducers()
    {
        std::lock_guard lock(_mutex);
        _notFull.notify_all();
    }

    void abort()
    {
        std::lock_guard lock(_mutex);
        _aborted = true;
        _items.clear();
        _notEmpty.notify_all();
        _notFull.notify_all();
    }

    size_t size() const
    {
        std::lock_guard lock(_mutex);
        return _items.size();
    }

private:
    mutable std::mutex _mutex;
    std::condition_variable _notEmpty;
    std::condition_variable _notFull;
    std::deque<T> _items;
    size_t _capacity;
    size_t _lowWater;
    bool _aborted = false;
};

} // namespace kvm
