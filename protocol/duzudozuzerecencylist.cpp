// SPDX-License-Identifier: MIT
#include "protocol/duzudozuzerecencylist.h"

void DuzUdozuzeRecencyList::touch(int index)
{
    if (m_nTail == index)
        return;
    if (std::size_t(index) >= m_links.size())
        m_links.resize(std::size_t(index) + 1);
    remove(index);
    m_links[std::size_t(index)].prev = m_nTail;
    if (m_nTail >= 0)
        m_links[std::size_t(m_nTail)].next = index;
    else
        m_nHead = index;
    m_nTail = index;
}

void DuzUdozuzeRecencyList::remove(int index)
{
    if (index < 0 || std::size_t(index) >= m_links.size())
        return;
    Link &link = m_links[std::size_t(index)];
    if (link.prev >= 0)
        m_links[std::size_t(link.prev)].next = link.next;
    else if (m_nHead == index)
        m_nHead = link.next;
    else
        return; // not in the list
    if (link.next >= 0)
        m_links[std::size_t(link.next)].prev = link.prev;
    else
        m_nTail = link.prev;
    link.prev = link.next = -1;
}

void DuzUdozuzeRecencyList::clear()
{
    m_links.clear();
    m_nHead = m_nTail = -1;
}
