#pragma once
// Holds a document lock for a scope; the lock is re-entrant.

#include "Platform.h"

class DocLock {
public:
    explicit DocLock(CRITICAL_SECTION* section) : m_section(section)
    {
        if (m_section)
            EnterCriticalSection(m_section);
    }
    ~DocLock()
    {
        if (m_section)
            LeaveCriticalSection(m_section);
    }
    DocLock(const DocLock&) = delete;
    DocLock& operator=(const DocLock&) = delete;

private:
    CRITICAL_SECTION* m_section;
};
