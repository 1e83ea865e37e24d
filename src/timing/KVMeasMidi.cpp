// The duration table for guessing note values from recorded MIDI, and rests
// filled into the holes of a measure.

#include "model/KVMeas.h"

void CKVMeas::PrepGuess(DWORD)
{
    KV_PENDING("CKVMeas::PrepGuess");
}

short CKVMeas::MakeRests(BYTE, DWORD, short)
{
    KV_PENDING("CKVMeas::MakeRests");
    return 0;
}
