#pragma once
// Fixtures for the tests of symbols' handles, hit-tests and self-drawing.

#include "support/Drawing.h"
#include "support/KvTest.h"
#include "support/ScoreTest.h"

#include "model/FontDatas.h"

#include <memory>
#include <string>
#include <vector>

namespace kvtest {

// A one-staff score of line spacing 16 whose first measure takes hit points:
// rectangle (0, 0, 262, 64), left x and header 0, so that a note's x equals
// its position word; every note-head glyph is 20 x 16.
class MeasureScoreTest : public ScoreTest {
protected:
    void SetUp() override;

    CKVMeas* meas = nullptr;
};

// Text drawn on a 800 x 600 recording DC at 96 dpi in the test face, with
// font 0 in the font table.
class TextFaceTest : public KvTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // The texts drawn so far.
    std::vector<const kvrec::Entry*> Texts() const;

    CFontDatas fonts;
    std::unique_ptr<TestDC> dc;
};

// A rectangle as "(left, top, right, bottom)", for readable failures.
std::string Box(const RECT& r);

} // namespace kvtest
