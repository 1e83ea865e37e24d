#pragma once
// The notes an import leaves out because their measure refuses them,
// counted by the reason, so that the host can tell the loss.

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
