#pragma once

#include <cstddef>

// Watches operator new while a scope is open: the largest single request and the sum of all requests.
// It replaces the global operator new of the test executable, which AddressSanitizer builds keep for
// themselves; there Available() is false and the figures stay 0.
namespace AllocationProbe {

bool Available();

class CScope {
public:
    CScope();
    ~CScope();
    CScope(const CScope&) = delete;
    CScope& operator=(const CScope&) = delete;
    std::size_t Largest() const;
    std::size_t Total() const;
};

} // namespace AllocationProbe
