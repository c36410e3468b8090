#include "frameassembler.h"

#include <cstring>

FrameAssembler::FrameAssembler(FunctionCheck isKnownFunction, LengthLimit lengthLimit)
    : m_isKnownFunction(isKnownFunction)
    , m_lengthLimit(lengthLimit)
{
    m_buffer.reserve(2 * kMaxFrameSize);
}

void FrameAssembler::append(const char* data, int size)
{
    if (size <= 0)
        return;
    if (buffered() == 0)
        ++m_headFrame;
    if (m_readPos > 0) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(m_readPos));
        m_readPos = 0;
    }
    const auto* bytes = reinterpret_cast<const uchar*>(data);
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
}

FrameAssembler::Result FrameAssembler::next(FrameView* frame)
{
    const size_t available = m_buffer.size() - m_readPos;
    const uchar* head = m_buffer.data() + m_readPos;
    if (available < 6)
        return Result::NeedMore;
    const int length = head[4] << 8 | head[5];
    if (length < kMinLength || length > kMaxLength)
        return reject(Result::BadLength, length);
    if (available < 8)
        return Result::NeedMore;
    if (!m_isKnownFunction(head[7]))
        return reject(Result::UnknownFunction, head[7]);
    if (m_lengthLimit) {
        const int limit = m_lengthLimit(head, int(available));
        if (limit > 0 && length > limit)
            return reject(Result::BadLength, length);
    }
    const size_t frameSize = size_t(6 + length);
    if (available < frameSize)
        return Result::NeedMore;
    frame->data = head;
    frame->size = int(frameSize);
    m_readPos += frameSize;
    if (m_readPos < m_buffer.size())
        ++m_headFrame;
    if (m_readPos == m_buffer.size()) {
        // Nothing left behind: start over without moving bytes. The view stays
        // valid, clear() keeps the storage.
        m_buffer.clear();
        m_readPos = 0;
    }
    return Result::Frame;
}

void FrameAssembler::clear()
{
    m_buffer.clear();
    m_readPos = 0;
}

FrameAssembler::Result FrameAssembler::reject(Result why, int value)
{
    m_rejectedValue = value;
    m_droppedBytes = buffered();
    clear();
    return why;
}
