// Fixtures for the tests of symbols' handles, hit-tests and self-drawing.

#include "support/SymbolFixtures.h"

#include "support/FontSupport.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"

namespace kvtest {

void MeasureScoreTest::SetUp()
{
    ScoreTest::SetUp();
    meas = score->Meas(0, 0);
    meas->m_rcMeas = CRect(0, 0, 262, 64);
    meas->m_nLeftX = 0;
    meas->m_nHeaderWidth = 0;
    meas->m_nRealWidth = 262;
    for (SIZE& head : Doc().m_sizeHead)
        head = SIZE {20, 16};
}

void TextFaceTest::SetUp()
{
    KvTest::SetUp();
    InstallTestFonts();
    RouteTextToTestFace();
    fonts.AddNewFont(0, "Arial", 5);
    dc = MakeRecordingDC(800, 600, 96);
}

void TextFaceTest::TearDown()
{
    dc.reset();
    KvTest::TearDown();
}

std::vector<const kvrec::Entry*> TextFaceTest::Texts() const
{
    return dc->Log().Texts();
}

std::string Box(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

} // namespace kvtest
