#pragma once

#include <functional>
#include <type_traits>
#include <utility>

// Puts a replaceable hook of the program (a notifier, a chooser, a preview,
// a delay a test shortens) in place for one scope, and its default back when
// the scope ends, however it ends. A failed QVERIFY returns from the test
// function: a hook reset by a line after it would stay, and one that
// captured the test's locals would write through them in a later test.
//
//     QStringList told;
//     const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool) { ... });
//
// Declared after what its hook captures, it goes before it.
class ScopedHook
{
public:
    // A static setter; `reset` puts the default back (for a hook, the
    // empty one).
    template <typename Value, typename Hook>
    ScopedHook(void (*set)(Value), Hook&& hook, std::decay_t<Value> reset = {})
        : m_reset([set, reset]() mutable { set(std::move(reset)); })
    {
        set(std::forward<Hook>(hook));
    }

    // A setter of an object that outlives the scope, such as WriteBatch's.
    template <typename Object, typename Value, typename Hook>
    ScopedHook(Object& object, void (Object::*set)(Value), Hook&& hook, std::decay_t<Value> reset)
        : m_reset([&object, set, reset]() mutable { (object.*set)(std::move(reset)); })
    {
        (object.*set)(std::forward<Hook>(hook));
    }

    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

    ~ScopedHook() { m_reset(); }

private:
    std::function<void()> m_reset;
};
