// The three template readers (dialogs, menus, accelerator tables) against
// damaged bytes: the fixture's templates mutated by a seeded generator,
// and a table of inputs found worth keeping. Every input sits right before
// an inaccessible page, so a read past its end stops the test.

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "Platform/Win/Controls/DialogTemplate.h"
#include "Platform/Win/Controls/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;

// Bytes placed so that their last one is the last readable byte.
class GuardedBytes {
public:
    explicit GuardedBytes(size_t capacity)
    {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        m_usable = (capacity + page - 1) / page * page;
        m_size = m_usable + page;
        void* mapped = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_base = mapped == MAP_FAILED ? nullptr : static_cast<BYTE*>(mapped);
        if (m_base)
            mprotect(m_base + m_usable, page, PROT_NONE);
    }
    ~GuardedBytes()
    {
        if (m_base)
            munmap(m_base, m_size);
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    bool Ready() const { return m_base != nullptr; }
    const BYTE* Place(const std::vector<BYTE>& bytes)
    {
        BYTE* at = m_base + m_usable - bytes.size();
        if (!bytes.empty())
            std::memcpy(at, bytes.data(), bytes.size());
        return at;
    }

private:
    BYTE* m_base = nullptr;
    size_t m_usable = 0;
    size_t m_size = 0;
};

// xorshift64*: the same inputs on every run.
class Mutator {
public:
    explicit Mutator(uint64_t seed) : m_state(seed) {}

    uint64_t Next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }
    size_t Below(size_t limit) { return limit ? static_cast<size_t>(Next() % limit) : 0; }

    std::vector<BYTE> Mutate(const std::vector<BYTE>& seed)
    {
        std::vector<BYTE> bytes = seed;
        static constexpr BYTE kInteresting[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xFE};
        const size_t edits = 1 + Below(4);
        for (size_t i = 0; i < edits && !bytes.empty(); ++i) {
            const size_t at = Below(bytes.size());
            switch (Below(5)) {
            case 0:
                bytes[at] ^= static_cast<BYTE>(1u << Below(8));
                break;
            case 1:
                bytes[at] = kInteresting[Below(sizeof kInteresting)];
                break;
            case 2:
                bytes.resize(at);
                break;
            case 3: {
                // A counted field or a name marker made large.
                const size_t even = at & ~size_t{1};
                if (even + 1 < bytes.size())
                    bytes[even] = bytes[even + 1] = 0xFF;
                break;
            }
            default:
                bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), bytes.begin() + static_cast<ptrdiff_t>(at),
                             bytes.begin() + static_cast<ptrdiff_t>(at + Below(bytes.size() - at)));
                break;
            }
        }
        return bytes;
    }

private:
    uint64_t m_state;
};

std::vector<BYTE> Copy(const win::ResourceBytes& bytes) { return {bytes.data, bytes.data + bytes.size}; }

constexpr int kRounds = 20000;

class TemplateFuzz : public ControlsTest {};

TEST_F(TemplateFuzz, DamagedDialogTemplatesAreReadWithinTheirBytes)
{
    GuardedBytes guard(1 << 16);
    ASSERT_TRUE(guard.Ready());
    const std::vector<std::vector<BYTE>> seeds = {
        Copy(win::FindDialogTemplate(Fixture(), MAKEINTRESOURCEA(IDD_ALL))),
        Copy(win::FindDialogTemplate(Fixture(), MAKEINTRESOURCEA(IDD_CHILD))),
    };
    Mutator mutator(22);
    win::DialogDescription description;
    for (int round = 0; round < kRounds; ++round) {
        const std::vector<BYTE> bytes = mutator.Mutate(seeds[static_cast<size_t>(round) % seeds.size()]);
        const BYTE* placed = guard.Place(bytes);
        if (win::ReadDialogTemplate(placed, bytes.size(), &description)) {
            EXPECT_LE(description.items.size(), bytes.size() / 18) << "every item takes its header's bytes";
        }
    }
}

INT_PTR CALLBACK SilentDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST_F(TemplateFuzz, DamagedDialogTemplatesMakeADialogOrFailCleanly)
{
    GuardedBytes guard(1 << 16);
    ASSERT_TRUE(guard.Ready());
    const std::vector<BYTE> seed = Copy(win::FindDialogTemplate(Fixture(), MAKEINTRESOURCEA(IDD_ALL)));
    Mutator mutator(2022);
    for (int round = 0; round < 300; ++round) {
        const std::vector<BYTE> bytes = mutator.Mutate(seed);
        const BYTE* placed = guard.Place(bytes);
        SetLastError(0);
        HWND dialog = CreateDialogFromBytes(Fixture(), placed, bytes.size(), nullptr, SilentDialog, 0);
        if (dialog) {
            DestroyWindow(dialog);
        } else {
            EXPECT_NE(GetLastError(), 0u) << "round " << round;
        }
    }
    PumpUntilIdle();
}

TEST_F(TemplateFuzz, DamagedMenuTemplatesAreReadWithinTheirBytes)
{
    GuardedBytes guard(1 << 16);
    ASSERT_TRUE(guard.Ready());
    const std::vector<std::vector<BYTE>> seeds = {
        Copy(win::FindMenuTemplate(Fixture(), MAKEINTRESOURCEA(128))),
        // MENUEX: version 1, offset 4, a popup "P" holding item "X" id 9.
        {1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x81, 0, 'P', 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0x80, 0, 'X', 0, 0, 0},
    };
    Mutator mutator(128);
    std::vector<win::MenuTemplateItem> items;
    for (int round = 0; round < kRounds; ++round) {
        const std::vector<BYTE> bytes = mutator.Mutate(seeds[static_cast<size_t>(round) % seeds.size()]);
        const BYTE* placed = guard.Place(bytes);
        items.clear();
        win::ReadMenuTemplate(placed, bytes.size(), &items);
        if (HMENU menu = LoadMenuFromBytes(placed, bytes.size()))
            DestroyMenu(menu);
    }
}

TEST_F(TemplateFuzz, DamagedAcceleratorTablesAreReadWithinTheirBytes)
{
    GuardedBytes guard(1 << 16);
    ASSERT_TRUE(guard.Ready());
    const std::vector<BYTE> seed = Copy(win::FindAcceleratorTable(Fixture(), MAKEINTRESOURCEA(128)));
    ASSERT_FALSE(seed.empty());
    Mutator mutator(57600);
    std::vector<ACCEL> entries;
    for (int round = 0; round < kRounds; ++round) {
        const std::vector<BYTE> bytes = mutator.Mutate(seed);
        const BYTE* placed = guard.Place(bytes);
        entries.clear();
        if (win::ReadAcceleratorTable(placed, bytes.size(), &entries)) {
            EXPECT_LE(entries.size() * 8, bytes.size());
        }
    }
}

// Inputs worth keeping: each must be refused.
TEST_F(TemplateFuzz, KeptInputsAreRefused)
{
    GuardedBytes guard(4096);
    ASSERT_TRUE(guard.Ready());
    struct Kept {
        const char* what;
        std::vector<BYTE> bytes;
        int reader; // 0 dialog, 1 menu, 2 accelerators
    };
    const Kept kept[] = {
        {"a dialog header cut short", {0xC0, 0x00, 0xC8, 0x80, 0, 0, 0, 0, 1, 0}, 0},
        {"a dialog counting an item it lacks",
         {0, 0, 0xC8, 0x80, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 100, 0, 50, 0, 0, 0, 0, 0, 0, 0}, 0},
        {"a dialog title without its terminator", {0, 0, 0xC8, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 50, 0, 0, 0, 0, 0, 'A', 0}, 0},
        {"a menu version past 1", {2, 0, 0, 0}, 1},
        {"a popup without items", {0, 0, 0, 0, 0x90, 0, 'P', 0, 0, 0}, 1},
        {"a menu text without its terminator", {0, 0, 0, 0, 0x80, 0, 5, 0, 'A', 0}, 1},
        {"an accelerator table of half an entry", {0x01, 0, 'N', 0}, 2},
        {"an accelerator table without a last entry", {0x01, 0, 'N', 0, 0, 0xE1, 0, 0}, 2},
        {"nothing", {}, 2},
    };
    for (const Kept& k : kept) {
        const BYTE* placed = guard.Place(k.bytes);
        bool read = false;
        if (k.reader == 0) {
            win::DialogDescription description;
            read = win::ReadDialogTemplate(placed, k.bytes.size(), &description);
        } else if (k.reader == 1) {
            std::vector<win::MenuTemplateItem> items;
            read = win::ReadMenuTemplate(placed, k.bytes.size(), &items);
        } else {
            std::vector<ACCEL> entries;
            read = win::ReadAcceleratorTable(placed, k.bytes.size(), &entries);
        }
        EXPECT_FALSE(read) << k.what;
    }
}

} // namespace
