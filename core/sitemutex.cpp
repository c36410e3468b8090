#include "sitemutex.h"

QRecursiveMutex& siteMutex()
{
    static QRecursiveMutex mutex;
    return mutex;
}
