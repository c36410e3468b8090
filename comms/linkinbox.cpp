#include "linkinbox.h"

#include <cstring>
#include <utility>

bool LinkInbox::put(const uchar* image, quint64 devices, bool wholeImage, bool heartbeat)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!heartbeat || m_waiting.empty() || !m_waiting.back().heartbeat)
        m_waiting.emplace_back();
    Delivery& delivery = m_waiting.back();
    std::memcpy(delivery.image.data(), image, delivery.image.size());
    delivery.devices |= devices;
    delivery.wholeImage = wholeImage;
    delivery.heartbeat = heartbeat;
    return !std::exchange(m_woken, true);
}

std::deque<LinkInbox::Delivery> LinkInbox::take()
{
    std::deque<Delivery> taken;
    std::lock_guard<std::mutex> lock(m_mutex);
    taken.swap(m_waiting);
    return taken;
}

bool LinkInbox::done()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_woken = !m_waiting.empty();
    return m_woken;
}

bool LinkInbox::lose()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_waiting.clear();
    m_waiting.emplace_back().loss = true;
    return !std::exchange(m_woken, true);
}

int LinkInbox::waiting()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_waiting.size());
}
