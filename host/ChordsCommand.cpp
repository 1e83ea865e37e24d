#include "ChordsCommand.h"

#include "KvcFile.h"
#include "harmony/ChordRtBsInfo.h"
#include "harmony/ChordSymbol.h"
#include "harmony/KVAutoCodeName.h"

#include <cstdio>
#include <string>

#include <unistd.h>

namespace kvorel {

namespace {

std::string ChordName(const CChordSymbol& chord)
{
    std::string name = static_cast<const char*>(procChordRtBsInfo.GetRootName(chord.m_nRoot));
    name += static_cast<const char*>(chord.m_Surfix.GetShortName());
    if (chord.m_nBass)
        name += "/" + std::string(static_cast<const char*>(procChordRtBsInfo.GetBaseName(chord.m_nBass)));
    return name;
}

// One line per measure of staff 0: its number, then its chord names in walk
// order, or "-".
void PrintChords(CKVDoc& doc)
{
    CKVStaff* staff = doc.GetStaff(0, 0);
    const LONG count = staff ? staff->GetMeasNum() : 0;
    for (LONG m = 0; m < count; ++m) {
        CKVMeas* meas = staff->GetMeas(m);
        std::string line;
        if (meas) {
            meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
            short cursor = 0;
            while (CKVMsg* msg = meas->GetNextMsg(cursor))
                if (msg->m_byKind == MSG_CHORDSYMBOL)
                    line += " " + ChordName(*static_cast<CChordSymbol*>(msg));
            meas->m_arrWalk.RemoveAll();
        }
        std::printf("%ld%s\n", static_cast<long>(m + 1), line.empty() ? " -" : line.c_str());
    }
}

// Writes the score beside the target and renames it into place, so that a
// failed write leaves neither a half-written file nor a damaged target.
int SaveBeside(const std::string& target, CKVDoc& doc)
{
    const std::string temporary = target + ".kvorel-" + std::to_string(static_cast<long>(getpid())) + ".tmp";
    bool written = false;
    try {
        CFile file(temporary.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        if (WriteKvcFile(&file, doc)) {
            file.Close();
            written = true;
        }
    } catch (CFileException&) {
        written = false;
    }
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0)
        return 0;
    std::remove(temporary.c_str());
    std::fprintf(stderr, "kvorel: %s cannot be written\n", target.c_str());
    return 1;
}

} // namespace

int RunChords(Host& host, int argc, char** argv, int first)
{
    if (first >= argc)
        return 2;
    const std::string in = argv[first];
    std::string out = in;
    bool outGiven = false;
    for (int i = first + 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option != "-o" || outGiven || i + 1 >= argc || argv[i + 1][0] == '\0')
            return 2;
        out = argv[++i];
        outGiven = true;
    }

    CKVDoc doc;
    WORD version = 0;
    bool hostBlock = false;
    if (const int status = LoadScore(host, in, doc, version, hostBlock))
        return status;
    CKVAutoCodeName& namer = doc.m_AutoCodeName;
    const int named = namer.Open(&doc) ? namer.Process(0) : 0;
    namer.Close();
    if (!named) {
        std::fprintf(stderr, "kvorel: the chords of %s cannot be named\n", in.c_str());
        return 1;
    }
    PrintChords(doc);
    std::fflush(stdout);
    return SaveBeside(out, doc);
}

} // namespace kvorel
