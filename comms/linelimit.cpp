#include "linelimit.h"

namespace {

constexpr qint64 SecondMs = 1000;

} // namespace

LineLimit::LineLimit(const QLoggingCategory& category, int linesPerSecond)
    : m_category(category)
    , m_linesPerSecond(linesPerSecond)
{
    m_elapsed.start();
}

LineLimit::~LineLimit()
{
    reportSuppressed();
}

void LineLimit::setClock(Clock clock)
{
    m_clock = std::move(clock);
    m_secondStart = now();
    m_written = 0;
}

qint64 LineLimit::now() const
{
    return m_clock ? m_clock() : m_elapsed.elapsed();
}

bool LineLimit::take()
{
    const qint64 time = now();
    if (time - m_secondStart >= SecondMs) {
        reportSuppressed();
        m_secondStart = time;
        m_written = 0;
    }
    if (m_written < m_linesPerSecond) {
        ++m_written;
        return true;
    }
    ++m_suppressed;
    return false;
}

void LineLimit::reportSuppressed()
{
    if (m_suppressed == 0)
        return;
    qCInfo(m_category).noquote() << QStringLiteral("%1 lines suppressed").arg(m_suppressed);
    m_suppressed = 0;
}
