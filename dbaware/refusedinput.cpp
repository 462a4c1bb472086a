#include "refusedinput.h"

namespace dbaware {

namespace {

RefusedInput* innermost = nullptr;

} // namespace

RefusedInput::RefusedInput() : outer_(innermost) {
    innermost = this;
}

RefusedInput::~RefusedInput() {
    innermost = outer_;
}

RefusedInput* RefusedInput::current() {
    return innermost;
}

} // namespace dbaware
