#include "sitemutex.h"

std::recursive_mutex& siteMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}
