#pragma once
// The notes an import leaves out, because their measure refuses or cannot
// hold them or because the score has no place for them, counted by the
// reason, so that the host can tell the loss.

#include "timing/InsertState.h"

struct LeftOutNotes {
    // Another note of their chord stands at their height.
    DWORD unisons = 0;
    // Their measure is compressed into a multi-measure rest.
    DWORD underMultiRest = 0;
    // A note at another height stands at their spot on a one-line staff.
    DWORD oneLineStaff = 0;
    // Any other refusal.
    DWORD refused = 0;
    // Their measure held more symbols than its record counts even once
    // beamed, and they stood at its end.
    DWORD crowdedMeasure = 0;
    // They are in a voice beyond the eighth (Encore voices 9 to 16).
    DWORD beyondEighthVoice = 0;
    // Their duration code is past a 128th.
    DWORD unknownDuration = 0;
    // Their first stem entry holds a value above 8 (Brenlo stem byte 3).
    DWORD unconvertedStem = 0;

    bool operator==(const LeftOutNotes&) const = default;

    // Counts one note by the reason the last insertion gave for refusing it.
    void Count(InsertRefusal why)
    {
        switch (why) {
        case InsertRefusal::AtHeight:
            ++unisons;
            break;
        case InsertRefusal::UnderMultiRest:
            ++underMultiRest;
            break;
        case InsertRefusal::OneLineStaff:
            ++oneLineStaff;
            break;
        default:
            ++refused;
            break;
        }
    }
};
