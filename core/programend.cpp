#include "programend.h"

namespace ProgramEnd {
namespace {

Cause& current()
{
    static Cause cause = Cause::None;
    return cause;
}

} // namespace

void begin(Cause cause)
{
    if (current() == Cause::None)
        current() = cause;
}

bool hasBegun()
{
    return current() != Cause::None;
}

Cause cause()
{
    return current();
}

void reset()
{
    current() = Cause::None;
}

} // namespace ProgramEnd
