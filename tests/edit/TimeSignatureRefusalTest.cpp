// The short and the long form of the time-signature command refuse the same
// signatures: a zero beat count or beat unit, and a measure too long for its
// 16-bit length; a refused signature leaves the score as it was.

#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "support/StructureSupport.h"

#include <string>

namespace {

class TimeSignatureRefusalTest : public kvtest::StructureTest {
protected:
    // The time fields of column 5 and the measure after it on every staff.
    std::string Column()
    {
        std::string out;
        for (int s = 0; s < 2; ++s) {
            for (int m = 5; m <= 6; ++m) {
                CKVMeas* meas = score->Meas(s, m);
                out += std::to_string(meas->m_nTimeNum) + "/" + std::to_string(meas->m_nTimeDen) + " " +
                       std::to_string(meas->m_nLength) + " " + std::to_string(meas->m_byOptions) + " " +
                       std::to_string(meas->m_wObjWord) + ";";
            }
        }
        return out;
    }
};

struct Signature {
    unsigned char beats;
    unsigned char unit;
    bool accepted;
};

TEST_F(TimeSignatureRefusalTest, BothFormsRefuseAZeroCountAUnitOfZeroAndAnOverlongMeasure)
{
    // 240 ticks a quarter: 136/4 is 32,640 ticks, 137/4 would be 32,880.
    const Signature signatures[] = {
        {0, 4, false},   {4, 0, false},  {0, 0, false}, {137, 4, false},
        {255, 1, false}, {136, 4, true}, {5, 8, true},
    };
    for (const Signature& sig : signatures) {
        SCOPED_TRACE(std::to_string(sig.beats) + "/" + std::to_string(sig.unit));
        Make(2, 10);
        const std::string before = Column();
        EXPECT_EQ(Doc().SetPakToMeas(5, sig.beats, sig.unit, 1, 1, 1), sig.accepted ? 1 : 0);
        if (!sig.accepted)
            EXPECT_EQ(Column(), before);
        else
            EXPECT_EQ(score->Meas(1, 5)->m_nLength, 240 * 4 * sig.beats / sig.unit);

        Make(2, 10);
        char beats[8];
        char unit[8];
        std::snprintf(beats, sizeof(beats), "%d", sig.beats);
        std::snprintf(unit, sizeof(unit), "%d", sig.unit);
        EXPECT_EQ(Doc().SetPakToMeas(5, 0, sig.beats, sig.unit, beats, unit, 1, 1, 1, 1), sig.accepted ? 1 : -1);
    }
}

} // namespace
