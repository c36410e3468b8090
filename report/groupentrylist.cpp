#include "groupentrylist.h"

namespace {

// Records below this are held as bits (16 MB at most per name and page);
// the engine's records count from 0, so others hardly ever occur.
constexpr int BitRecords = 1 << 27;

} // namespace

bool groupEntryLess(const GroupEntry& a, const GroupEntry& b)
{
    const QString left = a.value.toString();
    const QString right = b.value.toString();
    if (left != right)
        return left < right;
    return a.recNo < b.recNo;
}

bool GroupEntryList::Held::insert(int recNo)
{
    if (recNo < 0 || recNo >= BitRecords) {
        if (others.contains(recNo))
            return false;
        others.insert(recNo);
        return true;
    }
    const auto bit = size_t(recNo);
    if (bit >= records.size())
        records.resize(std::max(bit + 1, records.size() * 2));
    if (records[bit])
        return false;
    records[bit] = true;
    return true;
}

void GroupEntryList::keepAll()
{
    m_keepAll = true;
    m_kept.clear();
}

bool GroupEntryList::keepOnly(const QHash<QString, Form>& names)
{
    // Values held as numbers have lost their text.
    bool drop = false;
    for (auto name = names.constBegin(); name != names.constEnd() && !drop; ++name) {
        const auto id = m_nameIds.constFind(name.key());
        if (name.value() != AsText || id == m_nameIds.constEnd())
            continue;
        for (int position : m_names.at(*id).positions)
            drop = drop || m_entries.at(position).text < 0;
    }
    m_keepAll = false;
    m_kept = names;
    if (drop)
        dropValues();
    return drop;
}

GroupEntryList::Form GroupEntryList::formOf(const QString& name) const
{
    return m_keepAll ? AsText : m_kept.value(name, NotKept);
}

bool GroupEntryList::append(const GroupEntry& entry)
{
    m_any = true;
    auto highest = m_highestRecNo.find(entry.reportPage);
    if (highest == m_highestRecNo.end())
        m_highestRecNo.insert(entry.reportPage, entry.recNo);
    else if (entry.recNo > *highest)
        *highest = entry.recNo;

    const Form form = formOf(entry.name);
    if (form == NotKept)
        return false;
    auto id = m_nameIds.constFind(entry.name);
    if (id == m_nameIds.constEnd()) {
        id = m_nameIds.insert(entry.name, m_names.size());
        m_names.append(Name{entry.name, {}, {}});
    }
    Name& name = m_names[*id];
    if (!name.pages[entry.reportPage].insert(entry.recNo))
        return false;

    Stored stored{0, *id, entry.recNo, entry.reportPage, Number};
    const QString text = entry.value.toString();
    if (form == AsNumber) {
        if (text.isEmpty())
            stored.text = Blank;
        else
            stored.number = text.toDouble(); // a text that is no number counts 0
    } else {
        auto textId = m_textIds.constFind(text);
        if (textId == m_textIds.constEnd()) {
            textId = m_textIds.insert(text, m_texts.size());
            m_texts.append(text);
        }
        stored.text = *textId;
    }
    name.positions.append(m_entries.size());
    m_entries.append(stored);
    return true;
}

GroupEntry GroupEntryList::at(int i) const
{
    const Stored& stored = m_entries.at(i);
    QVariant value;
    if (stored.text >= 0)
        value = m_texts.at(stored.text);
    else if (stored.text == Blank)
        value = QString();
    else
        value = stored.number;
    return GroupEntry{m_names.at(stored.name).name, value, stored.recNo, stored.reportPage};
}

QVector<int> GroupEntryList::indexesOf(const QString& name) const
{
    const auto id = m_nameIds.constFind(name);
    return id == m_nameIds.constEnd() ? QVector<int>() : m_names.at(*id).positions;
}

void GroupEntryList::dropValues()
{
    m_entries = QVector<Stored>();
    m_names = QVector<Name>();
    m_nameIds.clear();
    m_texts = QVector<QString>();
    m_textIds.clear();
}

void GroupEntryList::clear()
{
    dropValues();
    keepAll();
    m_any = false;
    m_highestRecNo.clear();
}
