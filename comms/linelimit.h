#pragma once

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <functional>

// Caps the diagnostic lines of one controller link. A gateway that pushes
// thousands of frames a second would otherwise send every frame's dump
// through the message handler on the GUI thread and freeze the window.
// Up to the limit a second, lines pass; past it they are only counted, and
// the count goes out as one "%1 lines suppressed" line once that second is
// over, with the link's next line (or when the limit goes).
class LineLimit
{
public:
    // Milliseconds from any fixed start; never goes back.
    using Clock = std::function<qint64()>;

    static constexpr int DefaultLinesPerSecond = 300;

    // `category` takes the "lines suppressed" lines.
    explicit LineLimit(const QLoggingCategory& category, int linesPerSecond = DefaultLinesPerSecond);
    ~LineLimit();

    LineLimit(const LineLimit&) = delete;
    LineLimit& operator=(const LineLimit&) = delete;

    // Tests set their own limit and time.
    void setLinesPerSecond(int linesPerSecond) { m_linesPerSecond = linesPerSecond; }
    void setClock(Clock clock);

    // True when one more line may be written now; false counts it as suppressed.
    bool take();

private:
    qint64 now() const;
    void reportSuppressed();

    const QLoggingCategory& m_category;
    int m_linesPerSecond;
    Clock m_clock;
    QElapsedTimer m_elapsed;
    qint64 m_secondStart = 0;
    int m_written = 0;
    int m_suppressed = 0;
};

// qCDebug and qCWarning for a line that counts against a link's limit. A line
// held back is not even formatted.
#define qCLinkDebug(limit, category)                                                                               \
    for (bool lineWanted = category().isDebugEnabled() && (limit).take(); lineWanted; lineWanted = false)         \
    QMessageLogger(QT_MESSAGELOG_FILE, QT_MESSAGELOG_LINE, QT_MESSAGELOG_FUNC, category().categoryName()).debug()
#define qCLinkWarning(limit, category)                                                                             \
    for (bool lineWanted = category().isWarningEnabled() && (limit).take(); lineWanted; lineWanted = false)       \
    QMessageLogger(QT_MESSAGELOG_FILE, QT_MESSAGELOG_LINE, QT_MESSAGELOG_FUNC, category().categoryName()).warning()
