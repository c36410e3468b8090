#include "headerstate.h"
#include "viewslogging.h"

#include "logtable.h"
#include "settingsfile.h"

#include <QDataStream>
#include <QDebug>
#include <QHeaderView>
#include <QSettings>

namespace HeaderState {

namespace {

// The layout QHeaderView::saveState writes (Qt 5.15), read without
// allocating: every count is checked before the items it announces are
// skipped.
class StateReader
{
public:
    StateReader(const QByteArray& state, int sections)
        : m_stream(state)
        , m_sections(sections)
    {
    }

    template <typename T>
    T value()
    {
        T v{};
        m_stream >> v;
        return v;
    }
    void skipInts(int count)
    {
        for (int i = 0; i < count && ok(); ++i)
            value<qint32>();
    }
    void skipBools(int count) { m_stream.skipRawData(count); }
    // A count of items that each belong to a section; false when it cannot.
    bool count(quint32& n)
    {
        n = value<quint32>();
        return ok() && n <= quint32(m_sections);
    }
    bool ok() const { return m_stream.status() == QDataStream::Ok; }

private:
    QDataStream m_stream;
    int m_sections;
};

constexpr qint32 VersionMarker = 0xff;

} // namespace

bool fits(const QByteArray& state, int sections)
{
    StateReader in(state, sections);
    if (in.value<qint32>() != VersionMarker || in.value<qint32>() != 0)
        return false;
    in.skipInts(3);  // orientation, sort order, sort section
    in.skipBools(1); // sort indicator shown
    quint32 n = 0;
    for (int indices = 0; indices < 2; ++indices) { // visual and logical indices
        if (!in.count(n))
            return false;
        in.skipInts(int(n));
    }
    if (!in.count(n)) // hidden sections, one bit each
        return false;
    in.skipBools(int((n + 7) / 8));
    if (!in.count(n)) // sizes of hidden sections, key and value
        return false;
    in.skipInts(int(2 * n));
    in.skipInts(1); // length
    if (in.value<qint32>() != sections)
        return false;
    in.skipBools(5); // movable, clickable, highlighted, last stretched, cascading
    in.skipInts(6);  // stretched and fitted counts, section sizes, alignment, resize mode
    if (!in.count(n) || int(n) != sections) // the sections: size, a count of 1, resize mode
        return false;
    in.skipInts(int(3 * n));
    return in.ok();
}

bool restore(QHeaderView* header, const QString& key)
{
    const QByteArray state = LogTable::openSettings()->value(key).toByteArray();
    if (state.isEmpty())
        return false;
    if (!fits(state, header->count()) || !header->restoreState(state)) {
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
