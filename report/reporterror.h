#pragma once

#include <stdexcept>
#include <string>

namespace report {

// Every report engine failure; the message is meant for the user's error box.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace report
