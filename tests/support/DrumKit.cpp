#include "support/DrumKit.h"

#include <algorithm>
#include <cstring>

namespace kvtest {

std::vector<BYTE> MakeDrumKitEntry(const std::string& name, const DrumKitFields& fields)
{
    std::vector<BYTE> entry(kDrumKitEntrySize, 0);
    const size_t nameRoom = kDrumKitKeyWordsOffset - kDrumKitNameOffset - 1;
    std::memcpy(entry.data() + kDrumKitNameOffset, name.data(), std::min(name.size(), nameRoom));
    for (size_t key = 0; key < fields.keyWords.size(); ++key) {
        entry[kDrumKitKeyWordsOffset + 2 * key] = LOBYTE(fields.keyWords[key]);
        entry[kDrumKitKeyWordsOffset + 2 * key + 1] = HIBYTE(fields.keyWords[key]);
    }
    for (int head = 0; head < kDrumKitHeads; ++head)
        for (int row = 0; row < kDrumKitRows; ++row)
            entry[kDrumKitKeyTableOffset + static_cast<size_t>(head * kDrumKitRows + row)] = fields.keys[head][row];
    std::copy(fields.defaultHeads.begin(), fields.defaultHeads.end(), entry.begin() + kDrumKitDefaultHeadsOffset);
    return entry;
}

} // namespace kvtest
