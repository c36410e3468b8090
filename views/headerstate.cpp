#include "headerstate.h"
#include "viewslogging.h"

#include "settingsfile.h"

#include <QDataStream>
#include <QDebug>
#include <QHeaderView>
#include <QSettings>
#include <QVector>

namespace HeaderState {

namespace {

constexpr qint32 VersionMarker = 0xff;
constexpr qint32 LastResizeMode = QHeaderView::ResizeToContents;
constexpr qint32 AlignmentMask = Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask;

// Reads the layout QHeaderView::saveState writes (Qt 5.15) without
// allocating more than the view's sections: every count is checked before
// the items it announces are read.
class StateReader
{
public:
    explicit StateReader(const QByteArray& state)
        : m_stream(state)
    {
    }

    qint32 value()
    {
        qint32 v = 0;
        m_stream >> v;
        return v;
    }
    bool flag()
    {
        bool b = false;
        m_stream >> b;
        return b;
    }
    quint32 count()
    {
        quint32 n = 0;
        m_stream >> n;
        return n;
    }
    bool skip(int bytes) { return m_stream.skipRawData(bytes) == bytes; }
    // A value read completely and within lowest..highest.
    bool valueIn(qint64 lowest, qint64 highest)
    {
        const qint32 v = value();
        return ok() && v >= lowest && v <= highest;
    }
    bool ok() const { return m_stream.status() == QDataStream::Ok; }
    bool atEnd() const { return m_stream.atEnd(); }

private:
    QDataStream m_stream;
};

// One index vector: empty (the sections were never moved) or one index in
// range per section.
bool readIndices(StateReader& in, int sections, QVector<qint32>* indices)
{
    const quint32 n = in.count();
    if (!in.ok() || (n != 0 && n != quint32(sections)))
        return false;
    for (quint32 i = 0; i < n; ++i) {
        const qint32 index = in.value();
        if (!in.ok() || index < 0 || index >= sections)
            return false;
        indices->append(index);
    }
    return true;
}

// Visual and logical indices: both empty, or each the inverse of the other,
// which makes both permutations.
bool indicesFit(StateReader& in, int sections)
{
    QVector<qint32> visual;
    QVector<qint32> logical;
    if (!readIndices(in, sections, &visual) || !readIndices(in, sections, &logical))
        return false;
    if (visual.size() != logical.size())
        return false;
    for (int i = 0; i < visual.size(); ++i) {
        if (logical.at(visual.at(i)) != i)
            return false;
    }
    return true;
}

// The hidden flags (none, or one bit per section) and the sizes the hidden
// sections had, keyed by distinct logical indices.
bool hiddenSectionsFit(StateReader& in, int sections)
{
    const quint32 bits = in.count();
    if (!in.ok() || (bits != 0 && bits != quint32(sections)) || !in.skip(int((bits + 7) / 8)))
        return false;
    const quint32 sizes = in.count();
    if (!in.ok() || sizes > quint32(sections))
        return false;
    QVector<bool> seen(sections, false);
    for (quint32 i = 0; i < sizes; ++i) {
        const qint32 section = in.value();
        if (!in.ok() || section < 0 || section >= sections || seen.at(section))
            return false;
        seen[section] = true;
        if (!in.valueIn(0, MaxSectionSize))
            return false;
    }
    return true;
}

// The flags and sizes between the stored length and the section items.
bool settingsFit(StateReader& in, int sections)
{
    for (int i = 0; i < 5; ++i) // movable, clickable, highlighted, last stretched, cascading
        in.flag();
    return in.valueIn(0, sections)                          // stretched sections
        && in.valueIn(0, sections)                          // sections sized to contents
        && in.valueIn(0, MaxSectionSize)                    // default section size
        && in.valueIn(-1, MaxSectionSize)                   // minimum section size, -1: the style's
        && in.valueIn(0, AlignmentMask)                     // default alignment
        && in.valueIn(0, LastResizeMode);                   // resize mode of the whole header
}

// The section items: size, repeat count and resize mode each. The counts
// cover the sections exactly, and the sizes as Qt spreads them over the
// repeated sections add up to `length`.
bool sectionItemsFit(StateReader& in, int sections, qint64 length)
{
    const quint32 items = in.count();
    if (!in.ok() || items > quint32(sections))
        return false;
    qint64 covered = 0;
    qint64 total = 0;
    for (quint32 i = 0; i < items; ++i) {
        const qint32 size = in.value();
        const qint32 repeat = in.value();
        const qint32 mode = in.value();
        if (!in.ok() || repeat < 1 || repeat > sections - covered || size < 0 || size / repeat > MaxSectionSize
            || mode < 0 || mode > LastResizeMode)
            return false;
        covered += repeat;
        total += qint64(size / repeat) * repeat;
    }
    return covered == sections && total == length;
}

// What newer Qt versions append, each optional: the precision of sizing to
// contents, whether the default size was set, the last section's own size.
bool trailerFits(StateReader& in)
{
    if (in.atEnd())
        return true;
    in.value();
    if (!in.ok() || in.atEnd())
        return in.ok();
    in.flag();
    if (!in.ok() || in.atEnd())
        return in.ok();
    return in.valueIn(-1, MaxSectionSize) && in.atEnd();
}

} // namespace

bool fits(const QByteArray& state, int sections, Qt::Orientation orientation)
{
    if (sections < 0)
        return false;
    StateReader in(state);
    if (in.value() != VersionMarker || in.value() != 0 || !in.ok())
        return false;
    if (in.value() != orientation || !in.valueIn(Qt::AscendingOrder, Qt::DescendingOrder)
        || !in.valueIn(-1, sections - 1))
        return false;
    in.flag(); // sort indicator shown
    if (!indicesFit(in, sections) || !hiddenSectionsFit(in, sections))
        return false;
    const qint32 length = in.value();
    if (!in.ok() || length < 0 || !in.valueIn(sections, sections) || !settingsFit(in, sections))
        return false;
    return sectionItemsFit(in, sections, length) && trailerFits(in);
}

bool restoreState(QHeaderView* header, const QByteArray& state)
{
    return fits(state, header->count(), header->orientation()) && header->restoreState(state);
}

bool restore(QHeaderView* header, const QString& key)
{
    const QByteArray state = SettingsFile::open()->value(key).toByteArray();
    if (state.isEmpty())
        return false;
    if (!restoreState(header, state)) {
        qCWarning(lcViews) << "Saved column layout" << key << "does not fit the view's" << header->count()
                           << "columns; defaults used";
        return false;
    }
    return true;
}

void save(const QHeaderView* header, const QString& key)
{
    SettingsFile::setValue(key, header->saveState());
}

} // namespace HeaderState
