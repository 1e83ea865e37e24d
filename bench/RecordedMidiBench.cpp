// Recorded MIDI turned into notation: quantising every note, inserting it as
// read from a MIDI file, filling the holes of every measure with rests, and
// splitting the staff in two at middle C. Recordings arrive in thousands of
// notes, so the work must stay linear in them.
//
// Argument: recorded notes, 8 per 4/4 measure in one treble staff, at 240
// ticks per quarter. Compare 1,000 and 10,000 notes (at most 12 times).

#include "Kvorel.h"
#include "model/MidiFileRead.h"
#include "model/MidiNoteHead.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr DWORD kTicks = 240;
constexpr int kNotesPerMeasure = 8;
constexpr int kSlot = 120; // 8 slots of a 4/4 measure
constexpr int kGrid = 60;

struct Recorded {
    LONG measure;
    short start;
    short length;
    BYTE key;
};

// A fixed recording: keys 36-84, lengths 40-500, starts on a 60-tick grid,
// every fifth slot a two-note chord.
std::vector<Recorded> Recording(int notes)
{
    std::vector<Recorded> out;
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (int slot = 0; static_cast<int>(out.size()) < notes; ++slot) {
        const LONG measure = slot / kNotesPerMeasure;
        const short start = static_cast<short>((slot % kNotesPerMeasure) * kSlot + next(2) * kGrid);
        const short length = static_cast<short>(40 + next(461));
        const BYTE key = static_cast<BYTE>(36 + next(49));
        out.push_back({measure, start, length, key});
        if (slot % 5 == 4 && static_cast<int>(out.size()) < notes)
            out.push_back({measure, start, length, static_cast<BYTE>(key > 72 ? key - 12 : key + 12)});
    }
    return out;
}

void Convert(CKVDoc& doc, const std::vector<Recorded>& notes, LONG measures)
{
    CKVMeas* first = doc.GetMeasure(0, 0, 0);
    first->PrepGuess(kTicks);
    for (const Recorded& r : notes) {
        CKVMsg tmpl;
        tmpl.m_byKind = MSG_NOTE;
        tmpl.m_byVoice = 1;
        tmpl.m_wHeadType = 1; // the plain head
        tmpl.m_nPerformStart = r.start;
        tmpl.m_nStartTime = r.start;
        tmpl.m_nPosX = static_cast<short>(r.start * 256 / 960);
        unsigned char head[MidiNoteHead::Size] = {};
        head[MidiNoteHead::KeyOffset] = r.key;
        head[MidiNoteHead::VelocityOffset] = 100;
        tmpl.SetHead(MidiNoteHead::Size, head);
        if (tmpl.CalcNoteRestKind(kTicks, static_cast<DWORD>(r.length), 16) == -1)
            continue;
        doc.InsertNewNoteMsg(0, r.measure, &tmpl, 0, 0, 0, 0, nullptr, 1);
    }
    SetMidiFileRead(0);
    for (LONG m = 0; m < measures; ++m) {
        if (CKVMeas* meas = doc.GetMeasure(m, 0, 0))
            meas->MakeRests(1, kTicks, 5);
    }
    doc.m_bBackupRecord = 1;
    doc.SplitStaff(0, 0, 60, 1, 0, 1, 0, nullptr);
}

void BM_ConvertRecording(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::vector<Recorded> notes = Recording(count);
    const LONG measures = notes.back().measure + 1;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<CKVDoc>();
        doc->CreateDocument(1, measures, 1, 4, 4);
        doc->m_bBackupRecord = 0;
        state.ResumeTiming();
        Convert(*doc, notes, measures);
        state.PauseTiming();
        benchmark::DoNotOptimize(doc->m_bModified);
        doc.reset();
        state.ResumeTiming();
    }
    state.counters["measures"] = static_cast<double>(measures);
}
BENCHMARK(BM_ConvertRecording)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
