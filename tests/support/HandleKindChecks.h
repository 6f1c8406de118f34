#pragma once
// The checks every kind of handle passes (HandleTable.h), written once for
// the test folders of every room: a closed handle, made-up values and other
// kinds' handles are refused with the kind's documented answer, and a close
// on one thread while another thread is in the middle of a call on the
// handle keeps the object until that call ends. A room lists its kinds as
// HandleKindCase rows and runs the checks over them.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <ostream>
#include <vector>

#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Platform/Win/Kernel/System.h"

namespace testing_support {

// What a call on a handle answered: its result and the error it reported
// (the last error, or the code it returned, as the kind documents; 0 for a
// kind that reports none).
struct HandleAnswer {
    long long result = 0;
    DWORD error = 0;
    bool operator==(const HandleAnswer&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const HandleAnswer& answer)
{
    return out << "{result " << answer.result << ", error " << answer.error << "}";
}

// A handle as a number, and back, for the rows.
template <typename Handle> UINT_PTR ValueOf(Handle handle) { return reinterpret_cast<UINT_PTR>(handle); }
template <typename Handle> Handle As(UINT_PTR value) { return reinterpret_cast<Handle>(value); }

struct HandleKindCase {
    const char* name;
    win::HandleKind kind;
    // Makes an object of the kind and returns its handle.
    std::function<UINT_PTR()> open;
    // A call that looks the handle up and answers from the object.
    std::function<HandleAnswer(UINT_PTR)> use;
    // True when the close succeeded.
    std::function<bool(UINT_PTR)> close;
    // The result `use` gives for an object `open` made.
    long long liveResult;
    // What `use` answers for a handle that names no object of the kind.
    HandleAnswer refused;
};

inline std::ostream& operator<<(std::ostream& out, const HandleKindCase& c) { return out << c.name; }

// Holds the first lookup of one handle, on whatever thread makes it, at the
// moment its table has found the object, until released; ten seconds at
// most, so that a close that waits for the call fails the check instead of
// hanging it.
class HeldHandleUse {
public:
    HeldHandleUse(win::HandleKind kind, UINT_PTR value)
    {
        State& s = Shared();
        std::lock_guard<std::mutex> guard(s.lock);
        s.armed = true;
        s.kind = kind;
        s.value = value;
        s.arrived = s.released = s.gaveUp = false;
        win::detail::SetHandleUseProbe(&Probe);
    }
    ~HeldHandleUse()
    {
        win::detail::SetHandleUseProbe(nullptr);
        Release();
        std::lock_guard<std::mutex> guard(Shared().lock);
        Shared().armed = false;
    }
    HeldHandleUse(const HeldHandleUse&) = delete;
    HeldHandleUse& operator=(const HeldHandleUse&) = delete;

    // Whether the lookup came to be held, within ten seconds.
    bool Arrived()
    {
        State& s = Shared();
        std::unique_lock<std::mutex> guard(s.lock);
        return s.changed.wait_for(guard, std::chrono::seconds(10), [&] { return s.arrived; });
    }
    void Release()
    {
        State& s = Shared();
        std::lock_guard<std::mutex> guard(s.lock);
        s.released = true;
        s.changed.notify_all();
    }
    // Whether the held lookup went on by itself, nobody releasing it.
    bool GaveUp()
    {
        State& s = Shared();
        std::lock_guard<std::mutex> guard(s.lock);
        return s.gaveUp;
    }

private:
    struct State {
        std::mutex lock;
        std::condition_variable changed;
        bool armed = false;
        win::HandleKind kind = win::HandleKind::Reserved;
        UINT_PTR value = 0;
        bool arrived = false;
        bool released = false;
        bool gaveUp = false;
    };
    static State& Shared()
    {
        static State state;
        return state;
    }
    static void Probe(win::HandleKind kind, UINT_PTR value)
    {
        State& s = Shared();
        std::unique_lock<std::mutex> guard(s.lock);
        if (!s.armed || s.arrived || kind != s.kind || value != s.value)
            return;
        s.arrived = true;
        s.changed.notify_all();
        s.gaveUp = !s.changed.wait_for(guard, std::chrono::seconds(10), [&] { return s.released; });
    }
};

// A closed handle, values never handed out and each of `others` (handles
// of other kinds) are refused with the kind's answer.
inline void ExpectRefusals(const HandleKindCase& c, const std::vector<UINT_PTR>& others)
{
    const UINT_PTR closed = c.open();
    ASSERT_NE(closed, 0u);
    ASSERT_TRUE(c.close(closed));
    EXPECT_EQ(c.use(closed), c.refused) << "closed";
    EXPECT_FALSE(c.close(closed)) << "closed twice";

    const UINT_PTR open = c.open();
    int local = 0;
    const UINT_PTR forged[] = {open + 1, win::RangeOf(c.kind).end - 4, reinterpret_cast<UINT_PTR>(&local)};
    for (UINT_PTR value : forged)
        EXPECT_EQ(c.use(value), c.refused) << "made up: 0x" << std::hex << value;
    for (UINT_PTR value : others)
        EXPECT_EQ(c.use(value), c.refused) << "another kind's: 0x" << std::hex << value;
    EXPECT_EQ(c.use(open).result, c.liveResult) << "the open object still answers";
    EXPECT_TRUE(c.close(open));
}

// A close on this thread while another thread is in the middle of a call
// on the handle succeeds at once, and the call still finds the object.
inline void ExpectCloseWhileInUseKeepsTheObject(const HandleKindCase& c)
{
    const UINT_PTR handle = c.open();
    ASSERT_NE(handle, 0u);
    HandleAnswer answer;
    {
        HeldHandleUse held(c.kind, handle);
        auto use = std::async(std::launch::async, [&] { return c.use(handle); });
        ASSERT_TRUE(held.Arrived()) << "the call looks the handle up";
        EXPECT_TRUE(c.close(handle));
        held.Release();
        answer = use.get();
        EXPECT_FALSE(held.GaveUp()) << "the close waited for the call";
    }
    EXPECT_EQ(answer.result, c.liveResult) << "the call ends on the object it found";
    EXPECT_EQ(c.use(handle), c.refused) << "the handle is closed";
}

// ExpectRefusals over every case, with the handles of all the others and
// a kernel event's as the other kinds'.
inline void ExpectEveryKindRefuses(const std::vector<HandleKindCase>& cases)
{
    const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<UINT_PTR> open;
    for (const HandleKindCase& c : cases)
        open.push_back(c.open());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        std::vector<UINT_PTR> others;
        for (size_t j = 0; j < cases.size(); ++j)
            if (cases[j].kind != cases[i].kind)
                others.push_back(open[j]);
        if (cases[i].kind != win::HandleKind::KernelObject)
            others.push_back(reinterpret_cast<UINT_PTR>(event));
        ExpectRefusals(cases[i], others);
    }
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_TRUE(cases[i].close(open[i])) << cases[i].name;
    CloseHandle(event);
}

inline void ExpectEveryKindOutlivesACloseInUse(const std::vector<HandleKindCase>& cases)
{
    for (const HandleKindCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectCloseWhileInUseKeepsTheObject(c);
    }
}

} // namespace testing_support
