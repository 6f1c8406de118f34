#pragma once
// A splitter output pin's delivery thread: the thread that reads the input
// queues samples, new segments and the end of the stream, and the pin's
// own thread delivers them downstream in order. A renderer or grab sink
// that holds its pin's sample (paused, or waiting to be asked for it) then
// holds up that pin alone, never the splitter's other pins.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

class DeliveryQueue {
public:
    explicit DeliveryQueue(CBaseOutputPin& pin) : m_pin(pin) {}
    ~DeliveryQueue() { Stop(); }
    DeliveryQueue(const DeliveryQueue&) = delete;
    DeliveryQueue& operator=(const DeliveryQueue&) = delete;

    void Start();
    // Ends the thread once it has delivered what is queued (a flush first
    // drops that).
    void Stop();
    // Drops what is queued and not yet delivered.
    void Drop();
    // Queues a sample (the queue keeps a reference of its own).
    void Sample(IMediaSample* sample);
    // Queues a sample that the pin's own thread takes from the pin's
    // allocator when its turn comes: `fill` writes the data, times and flags
    // into it. The thread that reads the input then never waits for one
    // pin's buffers while another pin waits for data. `bytes` counts toward
    // Bytes().
    using Fill = std::function<void(IMediaSample*)>;
    void Deferred(Fill fill, size_t bytes);
    void NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop);
    void EndOfStream();
    // Downstream refused a sample: the pin wants no more.
    bool Refused();
    // What is queued and not yet taken by the pin's thread.
    size_t Count();
    size_t Bytes();
    // Called (with no lock held) whenever the pin's thread takes an entry
    // or the queue is emptied; set before Start.
    void OnTaken(std::function<void()> taken) { m_taken = std::move(taken); }

private:
    enum class Kind { Sample, Deferred, Segment, End };
    struct Item {
        Kind kind;
        IMediaSample* sample;
        REFERENCE_TIME start;
        REFERENCE_TIME stop;
        Fill fill;
        size_t bytes;
    };
    void Push(Item item);
    void Run();

    CBaseOutputPin& m_pin;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Item> m_items;
    bool m_quit = false;
    bool m_refused = false;
    size_t m_bytes = 0;
    std::function<void()> m_taken;
    std::thread m_thread;
};

} // namespace dshow
