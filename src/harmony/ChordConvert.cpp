// Chord symbols from the older chord kinds.

#include "harmony/ChordSymbol.h"

int CChordSymbol::MakeFromOldChordSymbol()
{
    KV_PENDING("CChordSymbol::MakeFromOldChordSymbol");
    return 0;
}
