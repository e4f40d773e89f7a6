#include "core/platform/SecureWipe.h"

#include <sodium.h>

#include <cassert>

void WipeMemory(void* p, std::size_t n) {
    if (p != nullptr && n > 0)
        sodium_memzero(p, n);
}

void WipeString(std::string& str) {
    // The bytes past size() belong to the buffer too: a shorter value may have followed a longer one.
    // data() gives capacity() + 1 writable bytes.
    WipeMemory(str.data(), str.capacity());
    str.clear();
}

void WipeBytes(QByteArray& bytes) {
    // A shared buffer is still another array's value; data() would only copy it.
    if (bytes.isDetached())
        WipeMemory(bytes.data(), static_cast<std::size_t>(bytes.size()));
    bytes.clear();
}

void WipeText(QString& str) {
    if (str.isDetached())
        WipeMemory(str.data(), static_cast<std::size_t>(str.size()) * sizeof(QChar));
    str.clear();
}

CWipeOnExit::CWipeOnExit(std::initializer_list<std::string*> strings) {
    assert(strings.size() <= kMax);
    for (std::string* p : strings)
        if (p != nullptr && m_nStrings < kMax)
            m_strings[m_nStrings++] = p;
}

CWipeOnExit::~CWipeOnExit() {
    for (std::size_t i = 0; i < m_nStrings; ++i)
        WipeString(*m_strings[i]);
}

void AssignSecret(std::string& dst, const std::string& src) {
    if (&dst == &src)
        return;
    WipeString(dst);
    dst = src;
}
