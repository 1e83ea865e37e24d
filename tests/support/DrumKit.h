#pragma once
// Builds drum-kit entries as the host hands them to the library.

#include "Platform.h"

#include <array>
#include <string>
#include <vector>

namespace kvtest {

constexpr size_t kDrumKitEntrySize = 8994;
constexpr size_t kDrumKitNameOffset = 140;
constexpr size_t kDrumKitKeyWordsOffset = 8396;
constexpr size_t kDrumKitKeyTableOffset = 8652;
constexpr size_t kDrumKitDefaultHeadsOffset = 8976;
constexpr int kDrumKitRows = 18;
constexpr int kDrumKitHeads = 18;

struct DrumKitFields {
    // One word per MIDI key: bits 0-5 the row, bits 8-11 the head type - 1,
    // bit 15 a fixed position.
    std::array<WORD, 128> keyWords {};
    // MIDI key per [head type - 1][row]; 255 is no instrument.
    std::array<std::array<BYTE, kDrumKitRows>, kDrumKitHeads> keys;
    // Default head type - 1 per row.
    std::array<BYTE, kDrumKitRows> defaultHeads {};

    DrumKitFields()
    {
        for (auto& row : keys)
            row.fill(255);
    }
};

// An 8,994-byte entry with the kit name (cut to fit) and the given fields,
// everything else zero.
std::vector<BYTE> MakeDrumKitEntry(const std::string& name, const DrumKitFields& fields = DrumKitFields());

} // namespace kvtest
