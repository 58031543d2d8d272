// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZERECENCYLIST_H
#define DUZUDOZUZERECENCYLIST_H

#include <cstddef>
#include <vector>

// The rows of the workstation table from the least to the most recently
// heard, by index: a list threaded through an array, so that moving the row
// just heard to the end, taking one out and finding the stalest cost the same
// however many rows a flood has made.
class DuzUdozuzeRecencyList
{
public:
    // The least recently heard index, or -1 when the list is empty.
    int stalest() const { return m_nHead; }
    // index is now the most recently heard, whether it was in the list or not.
    void touch(int index);
    // Takes index out of the list; nothing when it is not in it.
    void remove(int index);
    void clear();

private:
    struct Link
    {
        int prev = -1;
        int next = -1;
    };

    std::vector<Link> m_links;
    int m_nHead = -1;
    int m_nTail = -1;
};

#endif // DUZUDOZUZERECENCYLIST_H
