// The clef of a whole staff; clef 8 makes it a drum staff.

#include "model/KVStaff.h"

#include "model/DrumTable.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"

#include <cstring>

void CKVStaff::SetClefType(BYTE clef)
{
    m_byClefType = clef;
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        if (CKVMeas* meas = m_arrMeas.GetAt(i))
            meas->m_byInitClef = clef;
    }
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        if (CKVMeas* meas = m_arrMeas.GetAt(i)) {
            meas->SetParamFromMidiKey();
            meas->UpdatePos(0, kStemDefault, 0, 0);
        }
    }
    if (clef != CLEF_DRUM)
        return;

    // A one-line staff until the kit record is in place; without a kit the
    // staff keeps its old head.
    m_byStaffKind = KIND_ONE_LINE;
    DrumKitEntry* entry = GetDrumTable(nullptr);
    if (!entry)
        return;
    unsigned char record[kDrumKitRecordSize] = {};
    record[0] = LOBYTE(static_cast<WORD>(nDrumIndex));
    record[1] = HIBYTE(static_cast<WORD>(nDrumIndex));
    const char* name = DrumKitName(entry);
    const size_t room = kDrumKitRecordSize - kDrumKitRecordNameOffset - 1;
    std::memcpy(record + kDrumKitRecordNameOffset, name, strnlen(name, room));
    if (SetHead(kDrumKitRecordSize, record) != kDrumKitRecordSize)
        return;
    m_byStaffKind = KIND_DRUM;
    for (int v = 0; v < VOICES; ++v)
        m_byChannel[v] = DRUM_CHANNEL;
}
