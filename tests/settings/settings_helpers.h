#pragma once

#include <functional>

// Runs `body` so that permission bits hold: directly for an ordinary user, on
// a thread with the file-system uid 65534 when the tests run as root. False
// when that uid cannot be taken (the body has not run).
bool RunUnprivileged(const std::function<void()>& body);
