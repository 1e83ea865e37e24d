#pragma once
// The temporary object form of a custom symbol (kind 80): its drawing
// objects rebuilt from the block in the symbol's head, and written back into
// a new block. Nothing keeps it between operations.

#include "Platform.h"

#include <vector>

// One drawing object of a custom symbol: a stroke, a text or a bitmap.
class CCustomSymbolObject : public CObject {
public:
    CCustomSymbolObject() = default;
    ~CCustomSymbolObject() override = default;

    // Reshapes the object as a drag of the symbol's handle `handle` from
    // `numerator` to `denominator` does.
    void ResizeObject(int handle, CPoint numerator, CPoint denominator);
    void OffsetStroke(POINT offset);
    // The stored bounding rectangle; the argument is not used.
    CRect GetBoundingRect(int unused);

    int m_nPenWidth = 1;
    CRect m_rect;
};

class CCustomSymbol : public CObject {
public:
    CCustomSymbol() = default;
    ~CCustomSymbol() override;
    CCustomSymbol(const CCustomSymbol&) = delete;
    CCustomSymbol& operator=(const CCustomSymbol&) = delete;

    // Rebuilds the objects from a head block; 0 when it cannot be read.
    int ReadBlock(const unsigned char* block, int length);
    // Writes the objects into a new block; 0 on failure.
    int WriteBlock(std::vector<unsigned char>& block);

    CTypedPtrArray<CPtrArray, CCustomSymbolObject*> m_listObject; // owned
    DWORD m_dwValue = 0;
};
