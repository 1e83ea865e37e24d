#pragma once
// The id lists a measure keeps of its notes drawn on the staff above or below
// (m_arrUpMsg, m_arrDownMsg).

#include "Platform.h"

namespace crossstaff {

// Takes an id out of a list wherever it stands; true when it was there.
inline bool Unlist(CDWordArray& list, DWORD id)
{
    bool listed = false;
    for (int i = list.GetSize() - 1; i >= 0; --i) {
        if (list.GetAt(i) == id) {
            list.RemoveAt(i);
            listed = true;
        }
    }
    return listed;
}

} // namespace crossstaff
