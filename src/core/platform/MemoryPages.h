#pragma once

#include <cstddef>

// Pages of memory taken in bulk: a file's own pages read where they lie, fresh pages asked for ahead.

// Asks the system now for the pages of fresh memory [p, p + n) that are about to be written, in one call
// rather than one fault per page as they are first touched; whole pages inside the range only. Nothing is
// written, so what the memory holds stays; a system that cannot do it leaves the pages to their faults.
void PrefaultMemory(void* p, std::size_t n);

// The bytes of a regular file mapped read-only, so that a load reads them where the system already holds
// them instead of copying a whole database into fresh memory first. They are the file's own pages: no
// copy of the stored records is left in the heap to wipe.
//
// Another program that cuts the file short while it is mapped would make reading the lost pages a bus
// error. For as long as a mapping lives, such a fault puts zeros in place of the lost page instead and
// WasCut() tells the owner that what it read is not the file.
class CMappedFile {
public:
    CMappedFile() = default;
    ~CMappedFile();
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // Maps the whole file open on fd (an empty file maps to no bytes). False, with errno set, when the file
    // cannot be mapped (not a regular file, a file system that does not map); the caller then reads it.
    bool Map(int fd);
    const char* Data() const { return m_pData; }
    std::size_t Size() const { return m_nSize; }
    // True when the file lost bytes of the mapping while it was read.
    bool WasCut() const;

private:
    void Unmap();

    char* m_pData = nullptr;
    std::size_t m_nSize = 0;
    int m_nSlot = -1; // this mapping's place among those guarded against a cut
};
