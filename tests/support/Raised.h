#pragma once

#include <string>

// The message of the `E` that `f` raises, or "(nothing raised)".
template <class E, class F>
std::string Raised(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(nothing raised)";
}
