#include "Platform/DShow/Filters/Splitter/DeliveryQueue.h"

namespace dshow {

void DeliveryQueue::Start()
{
    Stop();
    std::lock_guard<std::mutex> guard(m_lock);
    m_quit = false;
    m_refused = false;
    m_thread = std::thread([this] { Run(); });
}

void DeliveryQueue::Stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    Drop();
}

void DeliveryQueue::Drop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (Item& item : m_items)
            if (item.sample)
                item.sample->Release();
        m_items.clear();
        m_bytes = 0;
    }
    if (m_taken)
        m_taken();
}

void DeliveryQueue::Sample(IMediaSample* sample)
{
    sample->AddRef();
    Push({Kind::Sample, sample, 0, 0, nullptr, 0});
}

void DeliveryQueue::Deferred(Fill fill, size_t bytes)
{
    Push({Kind::Deferred, nullptr, 0, 0, std::move(fill), bytes});
}

void DeliveryQueue::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop)
{
    Push({Kind::Segment, nullptr, start, stop, nullptr, 0});
}

void DeliveryQueue::EndOfStream() { Push({Kind::End, nullptr, 0, 0, nullptr, 0}); }

size_t DeliveryQueue::Count()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_items.size();
}

size_t DeliveryQueue::Bytes()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bytes;
}

bool DeliveryQueue::Refused()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_refused;
}

void DeliveryQueue::Push(Item item)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bytes += item.bytes;
        m_items.push_back(std::move(item));
    }
    m_wake.notify_all();
}

void DeliveryQueue::Run()
{
    std::unique_lock<std::mutex> lock(m_lock);
    while (true) {
        m_wake.wait(lock, [&] { return m_quit || !m_items.empty(); });
        if (m_items.empty())
            return;
        Item item = std::move(m_items.front());
        m_items.pop_front();
        m_bytes -= item.bytes;
        lock.unlock();
        if (m_taken)
            m_taken();
        HRESULT hr = S_OK;
        switch (item.kind) {
        case Kind::Sample:
            hr = m_pin.Deliver(item.sample);
            item.sample->Release();
            break;
        case Kind::Deferred: {
            IMediaSample* sample = nullptr;
            hr = m_pin.GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
            if (SUCCEEDED(hr)) {
                item.fill(sample);
                hr = m_pin.Deliver(sample);
                sample->Release();
            }
            break;
        }
        case Kind::Segment:
            m_pin.DeliverNewSegment(item.start, item.stop, 1.0);
            break;
        case Kind::End:
            m_pin.DeliverEndOfStream();
            break;
        }
        lock.lock();
        if (hr != S_OK)
            m_refused = true;
    }
}

} // namespace dshow
