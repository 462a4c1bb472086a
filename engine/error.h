#pragma once

#include <stdexcept>
#include <string>

namespace engine {

// Every engine failure is one of these; the message is meant for the user's error box.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace engine
