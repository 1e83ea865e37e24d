// The conversion of Brenlo pages into scores: measures from bar lines, key
// and time signatures, end bars, clefs, notes, rests, chords, slides, beams
// and lyrics, the lead-in measure, and refused buffers.

#include "support/BrenloBuffer.h"
#include "support/KvTest.h"

#include "Kvorel.h"

#include <memory>

using namespace kvtest;

namespace {

class BrenloConvert : public KvTest {
protected:
    kvimport::BrenloImportResult Import(const BrenloBytes& bytes)
    {
        buffer = bytes;
        return kvimport::ImportBrenloBuffer(*doc, buffer.data(), static_cast<DWORD>(buffer.size()), 1);
    }

    CKVStaff* Staff() { return doc->m_arrSystem.GetAt(0)->GetStaff(0); }
    CKVMeas* Meas(int i) { return Staff()->GetMeas(i); }

    std::vector<CKVMsg*> Kids(CKVObject* node, BYTE kind)
    {
        std::vector<CKVMsg*> out;
        for (short i = 0; i < node->GetMsgNum(); ++i) {
            CKVMsg* msg = node->GetMsg(i);
            if (msg->m_byKind == kind)
                out.push_back(msg);
        }
        return out;
    }

    std::unique_ptr<CKVDoc> doc = std::make_unique<CKVDoc>();
    BrenloBytes buffer;
};

TEST_F(BrenloConvert, SamplePageImports)
{
    ASSERT_EQ(Import(WriteBrenlo(BrenloSamplePage())), kvimport::BrenloImportResult::Imported);
    EXPECT_EQ(doc->m_arrSystem.GetSize(), 1);
    EXPECT_EQ(Staff()->GetMeasNum(), 3);
    CMemFile file;
    ASSERT_EQ(doc->Save(&file), 1);
}

} // namespace
