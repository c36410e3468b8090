#pragma once

#include <QtGlobal>

#include <vector>

// Reassembles the byte stream of a controller link into whole frames. TCP
// hands the bytes over in arbitrary pieces: a frame is cut only once its
// 6 + length bytes are all there, and an incomplete one waits for the rest.
// A header that cannot start a frame (length out of range, unknown function
// code, or a length its type can never have) drops everything buffered:
// there is no way to find the next frame boundary in the stream after it.
// How long an incomplete frame may wait is its owner's call: it drops it
// with clear() once the frame has outlived its bound (partialFrame()).
class FrameAssembler
{
public:
    static constexpr int kMinLength = 2;      // unit id and function code
    static constexpr int kMaxLength = 2042;   // a frame must fit in 2048 bytes
    static constexpr int kMaxFrameSize = 6 + kMaxLength;

    enum class Result {
        Frame,            // a whole frame is available
        NeedMore,         // wait for more bytes
        BadLength,        // the buffer was dropped
        UnknownFunction,  // the buffer was dropped
    };

    struct FrameView
    {
        const uchar* data = nullptr;  // valid until the next append() or clear()
        int size = 0;
    };

    using FunctionCheck = bool (*)(quint8 code);
    // The largest length a frame can have, judged from its first `available`
    // bytes (at least the 8 header bytes); 0 when more bytes are needed to tell.
    // A wrong but believable length is refused at once instead of swallowing
    // the frames behind it while the rest is awaited.
    using LengthLimit = int (*)(const uchar* head, int available);

    explicit FrameAssembler(FunctionCheck isKnownFunction, LengthLimit lengthLimit = nullptr);

    void append(const char* data, int size);

    // Cuts the next frame. After BadLength or UnknownFunction the offending
    // length or code is in rejectedValue() and the dropped count in droppedBytes().
    Result next(FrameView* frame);

    void clear();
    int buffered() const { return int(m_buffer.size() - m_readPos); }
    int rejectedValue() const { return m_rejectedValue; }
    int droppedBytes() const { return m_droppedBytes; }
    // Names the incomplete frame at the head of the buffer, the same while
    // its bytes come in and another for the next one; 0 when none waits.
    quint64 partialFrame() const { return buffered() > 0 ? m_headFrame : 0; }

private:
    Result reject(Result why, int value);

    FunctionCheck m_isKnownFunction;
    LengthLimit m_lengthLimit;
    std::vector<uchar> m_buffer;
    size_t m_readPos = 0;
    int m_rejectedValue = 0;
    int m_droppedBytes = 0;
    // Counts the frames begun: the number of the one at the head.
    quint64 m_headFrame = 0;
};
