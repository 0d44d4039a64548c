#pragma once
// Values kept for (template position, kind) pairs over a stretch of
// positions whose start only moves forward: one vector per kind, indexed
// from the stretch's first position, so that a look-up is one index and
// no entry needs an allocation of its own.

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace rtfreport {

template <typename Value, int Kinds>
class TRpPositionWindow {
public:
    // The value set for a position and kind, or nullptr.
    const Value *Find(int pnt, int kind) const
    {
        const std::vector<Slot> &entries = m_slots[kind];
        const int at = pnt - m_first;
        if (at < 0 || at >= int(entries.size()) || !entries[at].set)
            return nullptr;
        return &entries[at].value;
    }

    // The value of a position and kind, value-initialised the first time.
    // Positions before the window's start cannot be set.
    Value &operator[](std::pair<int, int> node)
    {
        const auto [pnt, kind] = node;
        std::vector<Slot> &entries = m_slots[kind];
        const int at = pnt - m_first;
        if (at >= int(entries.size()))
            entries.resize(size_t(at) + 1 + size_t(at) / 2);  // room for the positions read next
        Slot &slot = entries[at];
        if (!slot.set)
            slot = {true, Value{}};
        return slot.value;
    }

    // Forgets the positions before pnt. The vectors are shifted once the
    // forgotten part is large, so that each entry is moved a few times at most.
    void DropBefore(int pnt)
    {
        const int drop = pnt - m_first;
        if (drop < 4096)
            return;
        size_t longest = 0;
        for (const std::vector<Slot> &entries : m_slots)
            longest = std::max(longest, entries.size());
        if (size_t(drop) >= longest) {
            for (std::vector<Slot> &entries : m_slots)
                entries.clear();
            m_first = pnt;
            return;
        }
        if (size_t(drop) < longest / 2)
            return;
        for (std::vector<Slot> &entries : m_slots)
            entries.erase(entries.begin(), entries.begin() + std::min(entries.size(), size_t(drop)));
        m_first = pnt;
    }

    void Clear()
    {
        m_slots = {};
        m_first = 0;
    }

private:
    struct Slot {
        bool set = false;
        Value value{};
    };

    int m_first = 0;  // the position of each vector's first slot
    std::array<std::vector<Slot>, Kinds> m_slots;
};

} // namespace rtfreport
