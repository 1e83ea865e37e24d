#pragma once
// The document's renderer. One lives inside every document; the host opens a
// drawing pass on a device context and calls the drawers through it.

#include "Platform.h"

class CDC;
class CKVDoc;

class CScoreView {
public:
    CScoreView();
    CScoreView(const CScoreView&) = delete;
    CScoreView& operator=(const CScoreView&) = delete;
    ~CScoreView();

    // Opens a drawing pass on a device context for a document; the first
    // pass on a document applies its stored distances and switches its undo
    // recording on. Returns 1, or -1 when the pass cannot be opened.
    short KVOpen(CDC* dc, CKVDoc* doc, int printing, int extra);
    // Re-measures the glyph extents when the standard stem length changed.
    void UpdatePosY(short stemLength);
};
