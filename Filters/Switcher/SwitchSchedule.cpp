#include "Filters/Switcher/SwitchSchedule.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr REFERENCE_TIME kEarliest = LLONG_MIN;

HRESULT ReadAll(IStream* stream, void* buffer, ULONG size)
{
    ULONG read = 0;
    HRESULT hr = stream->Read(buffer, size, &read);
    if (FAILED(hr))
        return hr;
    return read == size ? S_OK : E_FAIL;
}

HRESULT WriteAll(IStream* stream, const void* buffer, ULONG size)
{
    ULONG written = 0;
    HRESULT hr = stream->Write(buffer, size, &written);
    if (FAILED(hr))
        return hr;
    return written == size ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT ReadInt32(IStream* stream, int* value)
{
    BYTE bytes[4];
    HRESULT hr = ReadAll(stream, bytes, 4);
    if (SUCCEEDED(hr))
        *value = static_cast<int>(static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
                                  static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24);
    return hr;
}

HRESULT WriteInt32(IStream* stream, int value)
{
    DWORD v = static_cast<DWORD>(value);
    BYTE bytes[4] = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
    return WriteAll(stream, bytes, 4);
}

} // namespace

CSwitchSchedule::Event CSwitchSchedule::NewEvent() const
{
    Event event;
    event.inputs.assign(static_cast<size_t>(m_inputs), -1);
    event.outputs.assign(static_cast<size_t>(m_outputs), -1);
    return event;
}

int CSwitchSchedule::Inputs()
{
    CAutoLock lock(&m_lock);
    return m_inputs;
}

int CSwitchSchedule::Outputs()
{
    CAutoLock lock(&m_lock);
    return m_outputs;
}

HRESULT CSwitchSchedule::SetSize(int inputs, int outputs, int count)
{
    if (inputs <= 0 || outputs <= 0 || count <= 0 || inputs > kMaxPins || outputs > kMaxPins || count > kMaxEvents)
        return E_INVALIDARG;
    CAutoLock lock(&m_lock);
    m_inputs = inputs;
    m_outputs = outputs;
    for (Event& event : m_events) {
        event.inputs.resize(static_cast<size_t>(inputs), -1);
        for (short& output : event.inputs)
            if (output >= outputs)
                output = -1;
        RebuildOutputs(event);
    }
    m_events.resize(static_cast<size_t>(count), NewEvent());
    m_connected.resize(static_cast<size_t>(inputs), false);
    m_done.resize(static_cast<size_t>(inputs), false);
    m_finished.assign(static_cast<size_t>(outputs), 0);
    m_useStale = true;
    return S_OK;
}

HRESULT CSwitchSchedule::EventCount(int* count)
{
    CheckPointer(count, E_POINTER);
    CAutoLock lock(&m_lock);
    *count = static_cast<int>(m_events.size());
    return S_OK;
}

void CSwitchSchedule::RebuildOutputs(Event& event) const
{
    event.outputs.assign(static_cast<size_t>(m_outputs), -1);
    for (int i = 0; i < static_cast<int>(event.inputs.size()); ++i) {
        short o = event.inputs[static_cast<size_t>(i)];
        if (o >= 0 && o < m_outputs)
            event.outputs[static_cast<size_t>(o)] = static_cast<short>(i);
    }
}

HRESULT CSwitchSchedule::SetEvent(int index, REFERENCE_TIME end, const short* map)
{
    CheckPointer(map, E_POINTER);
    CAutoLock lock(&m_lock);
    const int count = static_cast<int>(m_events.size());
    if (index < 0 || index >= count)
        return E_INVALIDARG;
    // Bisection over the end times needs them in order on both sides.
    if (index > 0 && end < m_events[static_cast<size_t>(index - 1)].end)
        return E_INVALIDARG;
    if (index + 1 < count) {
        const Event& next = m_events[static_cast<size_t>(index + 1)];
        bool nextSet = next.end != 0 || std::any_of(next.inputs.begin(), next.inputs.end(),
                                                    [](short output) { return output != -1; });
        if (nextSet && end > next.end)
            return E_INVALIDARG;
    }
    for (int i = 0; i < m_inputs; ++i)
        if (map[i] < -1 || map[i] >= m_outputs)
            return E_INVALIDARG;
    Event& event = m_events[static_cast<size_t>(index)];
    event.end = end;
    event.inputs.assign(map, map + m_inputs);
    RebuildOutputs(event);
    m_useStale = true;
    return S_OK;
}

HRESULT CSwitchSchedule::GetEvent(int index, REFERENCE_TIME* end, short* map)
{
    CAutoLock lock(&m_lock);
    if (index < 0 || index >= static_cast<int>(m_events.size()))
        return E_INVALIDARG;
    const Event& event = m_events[static_cast<size_t>(index)];
    if (end)
        *end = event.end;
    if (map)
        std::copy(event.inputs.begin(), event.inputs.end(), map);
    return S_OK;
}

void CSwitchSchedule::SetRoute(Event& event, int input, int output)
{
    if (output >= 0 && event.outputs[static_cast<size_t>(output)] != -1)
        event.inputs[static_cast<size_t>(event.outputs[static_cast<size_t>(output)])] = -1;
    if (event.inputs[static_cast<size_t>(input)] != -1)
        event.outputs[static_cast<size_t>(event.inputs[static_cast<size_t>(input)])] = -1;
    event.inputs[static_cast<size_t>(input)] = static_cast<short>(output);
    if (output >= 0)
        event.outputs[static_cast<size_t>(output)] = static_cast<short>(input);
}

int CSwitchSchedule::Split(REFERENCE_TIME time)
{
    if (time <= 0)
        return 0;
    auto after = std::upper_bound(m_events.begin(), m_events.end(), time,
                                  [](REFERENCE_TIME t, const Event& event) { return t < event.end; });
    if (after != m_events.begin() && std::prev(after)->end == time)
        return static_cast<int>(std::prev(after) - m_events.begin());
    Event inserted = after == m_events.end() ? NewEvent() : *after;
    inserted.end = time;
    auto at = m_events.insert(after, std::move(inserted));
    return static_cast<int>(at - m_events.begin());
}

void CSwitchSchedule::Merge(int from, int to)
{
    int k = std::max(from, 0);
    while (k + 1 < static_cast<int>(m_events.size()) && k < to) {
        auto here = m_events.begin() + k;
        if (here->end == std::next(here)->end) {
            m_events.erase(std::next(here));
            --to;
        } else if (here->inputs == std::next(here)->inputs) {
            m_events.erase(here);
            --to;
        } else {
            ++k;
        }
    }
}

HRESULT CSwitchSchedule::Route(int input, int output, REFERENCE_TIME start, REFERENCE_TIME stop)
{
    CAutoLock lock(&m_lock);
    if (start < 0)
        start = 0;
    if (stop <= start || input < 0 || input >= m_inputs || output < -1 || output >= m_outputs)
        return E_FAIL;
    m_useStale = true;
    int a = Split(start);
    int b = Split(stop);
    SetRoute(m_events[static_cast<size_t>(b)], input, output);
    for (int e = a; e <= b; ++e)
        if (m_events[static_cast<size_t>(e)].end > start)
            SetRoute(m_events[static_cast<size_t>(e)], input, output);
    Merge(a - 1, b + 2);
    return S_OK;
}

HRESULT CSwitchSchedule::CurrentInterval(REFERENCE_TIME* start, REFERENCE_TIME* end)
{
    CAutoLock lock(&m_lock);
    if (m_current >= static_cast<int>(m_events.size()))
        return E_INVALIDARG;
    if (start)
        *start = m_current > 0 ? m_events[static_cast<size_t>(m_current - 1)].end : kEarliest;
    if (end)
        *end = m_events[static_cast<size_t>(m_current)].end;
    return S_OK;
}

HRESULT CSwitchSchedule::EventEnd(int offset, REFERENCE_TIME* end)
{
    CAutoLock lock(&m_lock);
    int index = m_current + offset;
    if (index < 0 || index >= static_cast<int>(m_events.size()))
        return E_FAIL;
    *end = m_events[static_cast<size_t>(index)].end;
    return S_OK;
}

HRESULT CSwitchSchedule::EventEndByIndex(int index, REFERENCE_TIME* end)
{
    CAutoLock lock(&m_lock);
    if (index < 0 || index >= static_cast<int>(m_events.size()))
        return E_INVALIDARG;
    *end = m_events[static_cast<size_t>(index)].end;
    return S_OK;
}

HRESULT CSwitchSchedule::OutputOfInput(int input, short* output)
{
    CAutoLock lock(&m_lock);
    if (input < 0 || input >= m_inputs)
        return E_INVALIDARG;
    if (m_current >= static_cast<int>(m_events.size()))
        return E_FAIL;
    *output = m_events[static_cast<size_t>(m_current)].inputs[static_cast<size_t>(input)];
    return S_OK;
}

bool CSwitchSchedule::Routed(int input)
{
    return m_current < static_cast<int>(m_events.size()) && m_connected[static_cast<size_t>(input)] &&
           m_events[static_cast<size_t>(m_current)].inputs[static_cast<size_t>(input)] != -1;
}

int CSwitchSchedule::InputRoutedNow(int input)
{
    CAutoLock lock(&m_lock);
    if (input < 0 || input >= m_inputs)
        return 1;
    return Routed(input) ? 0 : 1;
}

void CSwitchSchedule::BuildUse()
{
    if (!m_useStale)
        return;
    m_use.assign(static_cast<size_t>(m_outputs), std::vector<int>(static_cast<size_t>(m_inputs), -1));
    m_lastUse.assign(static_cast<size_t>(m_inputs), -1);
    for (int e = 0; e < static_cast<int>(m_events.size()); ++e) {
        const Event& event = m_events[static_cast<size_t>(e)];
        for (int o = 0; o < m_outputs; ++o) {
            int i = event.outputs[static_cast<size_t>(o)];
            if (i < 0)
                continue;
            int& entry = m_use[static_cast<size_t>(o)][static_cast<size_t>(i)];
            entry = std::max(entry, e);
            m_lastUse[static_cast<size_t>(i)] = std::max(m_lastUse[static_cast<size_t>(i)], e);
        }
    }
    m_useStale = false;
}

bool CSwitchSchedule::InputStillUsed(int input)
{
    CAutoLock lock(&m_lock);
    if (input < 0 || input >= m_inputs || !m_connected[static_cast<size_t>(input)])
        return false;
    BuildUse();
    return m_lastUse[static_cast<size_t>(input)] >= m_current;
}

bool CSwitchSchedule::FedNowOrLater(int output)
{
    BuildUse();
    for (int i = 0; i < m_inputs; ++i)
        if (m_connected[static_cast<size_t>(i)] &&
            m_use[static_cast<size_t>(output)][static_cast<size_t>(i)] >= m_current)
            return true;
    return false;
}

HRESULT CSwitchSchedule::OutputHasNoInput(int output, int offset)
{
    CAutoLock lock(&m_lock);
    int index = m_current + offset;
    if (output < 0 || output >= m_outputs || index < 0 || index >= static_cast<int>(m_events.size()))
        return E_FAIL;
    int input = m_events[static_cast<size_t>(index)].outputs[static_cast<size_t>(output)];
    return input >= 0 && m_connected[static_cast<size_t>(input)] ? 0 : 1;
}

int CSwitchSchedule::OutputFinished(int output)
{
    CAutoLock lock(&m_lock);
    if (output < 0 || output >= m_outputs)
        return 1;
    int& state = m_finished[static_cast<size_t>(output)];
    if (state == 0 && (m_current >= static_cast<int>(m_events.size()) || !FedNowOrLater(output)))
        state = 1;
    if (state == 1) {
        state = 3;
        return 0;
    }
    return 1;
}

HRESULT CSwitchSchedule::SetConnected(int input, BOOL connected)
{
    CAutoLock lock(&m_lock);
    if (input < 0 || input >= m_inputs)
        return E_INVALIDARG;
    m_connected[static_cast<size_t>(input)] = connected != FALSE;
    return S_OK;
}

HRESULT CSwitchSchedule::Advance(int index)
{
    m_current = index;
    while (m_current < static_cast<int>(m_events.size())) {
        int count = 0;
        for (int i = 0; i < m_inputs; ++i)
            count += Routed(i) ? 1 : 0;
        std::fill(m_done.begin(), m_done.end(), false);
        if (count > 0) {
            m_pending = count;
            return S_OK;
        }
        ++m_current;
    }
    m_pending = 0;
    return E_FAIL;
}

void CSwitchSchedule::LowerPending(bool* advanced, bool* exhausted)
{
    if (m_pending > 0)
        --m_pending;
    if (m_pending == 0) {
        *advanced = true;
        *exhausted = FAILED(Advance(m_current + 1));
    }
}

HRESULT CSwitchSchedule::InputDone(int input, bool* advanced, bool* exhausted)
{
    *advanced = false;
    *exhausted = false;
    CAutoLock lock(&m_lock);
    if (input < 0 || input >= m_inputs)
        return E_INVALIDARG;
    if (Routed(input) && !m_done[static_cast<size_t>(input)]) {
        m_done[static_cast<size_t>(input)] = true;
        LowerPending(advanced, exhausted);
    }
    return S_OK;
}

HRESULT CSwitchSchedule::InputEnded(int input, bool* advanced, bool* exhausted)
{
    *advanced = false;
    *exhausted = false;
    CAutoLock lock(&m_lock);
    if (input < 0 || input >= m_inputs)
        return E_INVALIDARG;
    bool wasRouted = Routed(input) && !m_done[static_cast<size_t>(input)];
    m_connected[static_cast<size_t>(input)] = false;
    for (int o = 0; o < m_outputs; ++o)
        if (m_finished[static_cast<size_t>(o)] == 0 && !FedNowOrLater(o))
            m_finished[static_cast<size_t>(o)] = 1;
    if (wasRouted) {
        m_done[static_cast<size_t>(input)] = true;
        LowerPending(advanced, exhausted);
    }
    return S_OK;
}

HRESULT CSwitchSchedule::Seek(REFERENCE_TIME time)
{
    CAutoLock lock(&m_lock);
    std::fill(m_finished.begin(), m_finished.end(), 0);
    std::fill(m_done.begin(), m_done.end(), false);
    int next = 0;
    for (;;) {
        if (FAILED(Advance(next)))
            return E_FAIL;
        if (m_events[static_cast<size_t>(m_current)].end > time)
            return S_OK;
        next = m_current + 1;
    }
}

HRESULT CSwitchSchedule::CurrentIndex(int* index)
{
    CheckPointer(index, E_POINTER);
    CAutoLock lock(&m_lock);
    *index = m_current;
    return m_current < static_cast<int>(m_events.size()) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

HRESULT CSwitchSchedule::Write(IStream* stream)
{
    CheckPointer(stream, E_POINTER);
    CAutoLock lock(&m_lock);
    HRESULT hr = WriteInt32(stream, m_inputs);
    if (SUCCEEDED(hr))
        hr = WriteInt32(stream, m_outputs);
    if (SUCCEEDED(hr))
        hr = WriteInt32(stream, static_cast<int>(m_events.size()));
    for (const Event& event : m_events) {
        if (FAILED(hr))
            break;
        ULONGLONG end = static_cast<ULONGLONG>(event.end);
        BYTE bytes[8];
        for (int b = 0; b < 8; ++b)
            bytes[b] = static_cast<BYTE>(end >> (8 * b));
        hr = WriteAll(stream, bytes, 8);
        for (short output : event.inputs) {
            if (FAILED(hr))
                break;
            WORD value = static_cast<WORD>(output);
            BYTE pair[2] = {BYTE(value), BYTE(value >> 8)};
            hr = WriteAll(stream, pair, 2);
        }
    }
    return hr;
}

HRESULT CSwitchSchedule::Read(IStream* stream)
{
    CheckPointer(stream, E_POINTER);
    int inputs = 0, outputs = 0, count = 0;
    HRESULT hr = ReadInt32(stream, &inputs);
    if (SUCCEEDED(hr))
        hr = ReadInt32(stream, &outputs);
    if (SUCCEEDED(hr))
        hr = ReadInt32(stream, &count);
    if (FAILED(hr))
        return E_FAIL;
    if (inputs <= 0 || outputs <= 0 || count <= 0 || inputs > kMaxPins || outputs > kMaxPins || count > kMaxEvents)
        return E_FAIL;
    std::vector<Event> events(static_cast<size_t>(count));
    REFERENCE_TIME previous = kEarliest;
    for (Event& event : events) {
        BYTE bytes[8];
        if (FAILED(ReadAll(stream, bytes, 8)))
            return E_FAIL;
        ULONGLONG end = 0;
        for (int b = 7; b >= 0; --b)
            end = end << 8 | bytes[b];
        event.end = static_cast<REFERENCE_TIME>(end);
        if (event.end < previous)
            return E_FAIL;
        previous = event.end;
        event.inputs.resize(static_cast<size_t>(inputs));
        for (short& output : event.inputs) {
            BYTE pair[2];
            if (FAILED(ReadAll(stream, pair, 2)))
                return E_FAIL;
            output = static_cast<short>(pair[0] | pair[1] << 8);
            if (output < -1 || output >= outputs)
                return E_FAIL;
        }
    }
    CAutoLock lock(&m_lock);
    m_inputs = inputs;
    m_outputs = outputs;
    for (Event& event : events)
        RebuildOutputs(event);
    m_events = std::move(events);
    m_connected.assign(static_cast<size_t>(inputs), false);
    m_done.assign(static_cast<size_t>(inputs), false);
    m_finished.assign(static_cast<size_t>(outputs), 0);
    m_current = 0;
    m_pending = 0;
    m_useStale = true;
    return S_OK;
}
