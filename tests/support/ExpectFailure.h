#pragma once

#include <stdexcept>
#include <string>
#include <type_traits>
#include <typeinfo>

namespace velmora::test {

// Runs action, which must fail with an exception of class E, and returns a copy of that exception
// for the test to look into. When action returns, the test ends as failed with what went wrong in
// words (unexpected, e.g. "a wrong password was accepted"); an exception of another class passes
// on and fails the test with its own message. With Excluded, an E of that subclass fails the test
// too: the failure must be the layer's own, not, say, the server's.
template <class E, class Excluded = void, class Action>
E ExpectFailure(Action&& action, const std::string& unexpected = "the action succeeded") {
    try {
        action();
    } catch (const E& e) {
        if constexpr (!std::is_void_v<Excluded>) {
            if (dynamic_cast<const Excluded*>(&e) != nullptr)
                throw std::logic_error(std::string("a ") + typeid(Excluded).name() +
                                       " was thrown: " + e.what());
        }
        return e;
    }
    throw std::logic_error("no " + std::string(typeid(E).name()) + " thrown: " + unexpected);
}

} // namespace velmora::test
