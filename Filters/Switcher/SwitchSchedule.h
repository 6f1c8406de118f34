#pragma once
// The switcher's time table: an ordered list of switch events, each ending
// at a stream time and mapping every input to at most one output. While the
// graph streams it says which output an input feeds now, and moves on to the
// next event once every routed, connected input has finished the current
// one. Every operation takes the schedule's lock.

#include <vector>

#include "Platform/DShow/DShow.h"

class CSwitchSchedule {
public:
    // Bounds of a schedule read from a stream.
    static constexpr int kMaxPins = 10;
    static constexpr int kMaxEvents = 65536;

    CSwitchSchedule() = default;
    virtual ~CSwitchSchedule() = default;

    // E_INVALIDARG when any is 0 (or a pin count is above kMaxPins).
    HRESULT SetSize(int inputs, int outputs, int count);
    HRESULT EventCount(int* count);
    int Inputs();
    int Outputs();
    // E_INVALIDARG for an index out of range, an end time out of order with
    // either neighbour (equal allowed; a following event not set yet, at
    // time 0 without routes, does not count) or a map entry that is
    // neither -1 nor an output.
    HRESULT SetEvent(int index, REFERENCE_TIME end, const short* map);
    HRESULT GetEvent(int index, REFERENCE_TIME* end, short* map);
    // Routes the input to the output (-1: none) for [start, stop); E_FAIL
    // for bad arguments.
    HRESULT Route(int input, int output, REFERENCE_TIME start, REFERENCE_TIME stop);

    // [end of the previous event (or the smallest time), end of the
    // current event); E_INVALIDARG past the last event.
    HRESULT CurrentInterval(REFERENCE_TIME* start, REFERENCE_TIME* end);
    // End of event current + offset; E_FAIL past the last.
    HRESULT EventEnd(int offset, REFERENCE_TIME* end);
    HRESULT EventEndByIndex(int index, REFERENCE_TIME* end);
    // The current event's output for the input (-1 none).
    HRESULT OutputOfInput(int input, short* output);
    // 0 when the input is connected and routed in the current event, else 1.
    int InputRoutedNow(int input);
    bool InputStillUsed(int input);
    // 1 when event current + offset gives the output no connected input, 0
    // when it has one, E_FAIL when that event does not exist.
    HRESULT OutputHasNoInput(int output, int offset);
    // 0 once, when the output has just finished; 1 otherwise.
    int OutputFinished(int output);
    HRESULT SetConnected(int input, BOOL connected);
    HRESULT InputDone(int input, bool* advanced, bool* exhausted);
    HRESULT InputEnded(int input, bool* advanced, bool* exhausted);
    // E_FAIL when the time lies at or beyond the last event's end.
    HRESULT Seek(REFERENCE_TIME time);
    // S_OK inside the list, VFW_S_NO_MORE_ITEMS past its end.
    HRESULT CurrentIndex(int* index);

    HRESULT Write(IStream* stream);
    // A truncated stream, a count of 0 or beyond the bounds fails with
    // E_FAIL and leaves the schedule as it was.
    HRESULT Read(IStream* stream);

private:
    struct Event {
        REFERENCE_TIME end = 0;
        std::vector<short> inputs;
        std::vector<short> outputs;
    };

    Event NewEvent() const;
    void RebuildOutputs(Event& event) const;
    static void SetRoute(Event& event, int input, int output);
    int Split(REFERENCE_TIME time);
    void Merge(int from, int to);
    HRESULT Advance(int index);
    void LowerPending(bool* advanced, bool* exhausted);
    void BuildUse();
    bool FedNowOrLater(int output);
    bool Routed(int input);

    CCritSec m_lock;
    int m_inputs = 0;
    int m_outputs = 0;
    std::vector<Event> m_events;
    int m_current = 0;
    int m_pending = 0;
    std::vector<bool> m_connected;
    std::vector<bool> m_done;
    // 0 active, 1 finished, 3 finished and reported.
    std::vector<int> m_finished;
    bool m_useStale = true;
    std::vector<std::vector<int>> m_use; // [output][input]
    std::vector<int> m_lastUse;          // [input]
};
