#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <initializer_list>
#include <string>

// Clearing memory that held a secret before it goes back to the allocator, where a later reader of the
// heap (or of a core file) would find it.

// Overwrites the n bytes at p with zeros in a way the compiler may not drop.
void WipeMemory(void* p, std::size_t n);
// Zeros the whole of str's buffer, the unused capacity too, and leaves it empty.
void WipeString(std::string& str);
// Zeros bytes' buffer when no other QByteArray shares it, and leaves it empty.
void WipeBytes(QByteArray& bytes);
// The same for a text: zeroed when no other QString shares its buffer, then empty.
void WipeText(QString& str);

// Wipes the strings it names when the scope ends, on every way out; a null pointer names none.
class CWipeOnExit {
public:
    CWipeOnExit(std::initializer_list<std::string*> strings);
    ~CWipeOnExit();
    CWipeOnExit(const CWipeOnExit&) = delete;
    CWipeOnExit& operator=(const CWipeOnExit&) = delete;

private:
    static constexpr std::size_t kMax = 8;
    std::string* m_strings[kMax] = {};
    std::size_t m_nStrings = 0;
};

// The same for one byte array.
class CWipeBytesOnExit {
public:
    explicit CWipeBytesOnExit(QByteArray& bytes) : m_bytes(bytes) {}
    ~CWipeBytesOnExit() { WipeBytes(m_bytes); }
    CWipeBytesOnExit(const CWipeBytesOnExit&) = delete;
    CWipeBytesOnExit& operator=(const CWipeBytesOnExit&) = delete;

private:
    QByteArray& m_bytes;
};

// Gives dst the value of src; the old value is wiped first, wherever it lived.
void AssignSecret(std::string& dst, const std::string& src);
