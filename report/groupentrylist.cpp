#include "groupentrylist.h"

bool groupEntryLess(const GroupEntry& a, const GroupEntry& b)
{
    const QString left = a.value.toString();
    const QString right = b.value.toString();
    if (left != right)
        return left < right;
    return a.recNo < b.recNo;
}

bool GroupEntryList::append(const GroupEntry& entry)
{
    const Key key{entry.name, entry.recNo, entry.reportPage};
    if (m_index.contains(key))
        return false;
    const int position = m_entries.size();
    m_index.insert(key, position);
    m_entries.append(entry);
    m_byName[entry.name].append(position);
    auto highest = m_highestRecNo.find(entry.reportPage);
    if (highest == m_highestRecNo.end())
        m_highestRecNo.insert(entry.reportPage, entry.recNo);
    else if (entry.recNo > *highest)
        *highest = entry.recNo;
    return true;
}

void GroupEntryList::clear()
{
    m_entries.clear();
    m_index.clear();
    m_byName.clear();
    m_highestRecNo.clear();
}
