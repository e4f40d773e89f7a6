#include "core/tools/PasswordPool.h"

#include <cerrno>
#include <sys/random.h>
#include <vector>

namespace PasswordPool {

std::string BuildPool(bool bMixedCase, bool bNumbers, bool bPunctuation) {
    std::string strPool = kLower;
    if (bMixedCase)
        strPool += kUpper;
    if (bNumbers)
        strPool += kDigits;
    if (bPunctuation)
        strPool += kPunctuation;
    return strPool;
}

bool SystemRandomBytes(unsigned char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t nGot = ::getrandom(p, n, 0);
        if (nGot < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += nGot;
        n -= static_cast<std::size_t>(nGot);
    }
    return true;
}

bool Generate(const std::string& strPool, std::size_t nLength, std::string& strPassword, const RandomBytes& random) {
    strPassword.clear();
    const std::size_t nPool = strPool.size();
    if (nPool == 0 || nPool > 256)
        return false;
    const unsigned nLimit = 256 - 256 % nPool; // bytes from here up would favour the first characters
    strPassword.reserve(nLength);
    // Ask for a little more than needed at a time; rejected bytes are rare (at most a fifth, with 52 characters).
    std::vector<unsigned char> buffer(nLength + 16);
    while (strPassword.size() < nLength) {
        if (!random(buffer.data(), buffer.size())) {
            strPassword.clear();
            return false;
        }
        for (unsigned char b : buffer) {
            if (b >= nLimit)
                continue;
            strPassword.push_back(strPool[b % nPool]);
            if (strPassword.size() == nLength)
                break;
        }
    }
    return true;
}

} // namespace PasswordPool
