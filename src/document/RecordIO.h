#pragma once
// Shared machinery of the score's record readers and writers: a bounded
// reading cursor, a growing writer, the little-endian field helpers, the
// references still waiting for their tie during a read, and the chord-symbol
// part that follows a kind-69 child.
//
// Record buffers are always malloc'd and freed with free(): they travel to
// hosts and to the clipboard, which expect one allocator pair.

#include "Platform.h"
#include "document/DeepCopy.h"
#include "model/KVObject.h"
#include "model/MeasRecord.h"
#include "model/StaffRecord.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

class CKVDoc;
class CKVMeas;
class CKVMsg;
class CKVObject;
struct MsgRef;

namespace kvrec {

// The sub-kind (duration word) of a measure-repeat sign that repeats the
// whole measure.
inline constexpr WORD kWholeMeasureRepeat = 3;

// The record helpers' names for the platform's little-endian fields.
inline WORD GetU16(const unsigned char* p)
{
    return GetWord(p);
}

inline DWORD GetU32(const unsigned char* p)
{
    return GetDword(p);
}

inline void PutU16(unsigned char* p, WORD value)
{
    PutWord(p, value);
}

inline void PutU32(unsigned char* p, DWORD value)
{
    PutDword(p, value);
}

// Reads at *pos, never past *length. Every reader of a record makes its own
// over the same position, so nested readers advance one shared cursor.
class Reader {
public:
    Reader(const unsigned char* buffer, DWORD* pos, DWORD* length) : m_buffer(buffer), m_pos(pos), m_length(length) {}

    size_t Left() const
    {
        if (!m_buffer || !m_pos || !m_length || *m_pos > *m_length)
            return 0;
        return static_cast<size_t>(*m_length - *m_pos);
    }
    bool Has(size_t n) const { return n <= Left(); }
    // The next n bytes, and the cursor moves past them; null (the cursor
    // stays) when fewer are left.
    const unsigned char* Take(size_t n)
    {
        if (!Has(n))
            return nullptr;
        const unsigned char* p = m_buffer + *m_pos;
        *m_pos += static_cast<DWORD>(n);
        return p;
    }
    DWORD Pos() const { return m_pos ? *m_pos : 0; }

private:
    const unsigned char* m_buffer;
    DWORD* m_pos;
    DWORD* m_length;
};

// Appends at *used and grows the buffer geometrically when the room is
// short. The buffer, used count and capacity are the caller's; every writer
// of a record makes its own over the same three.
class Writer {
public:
    Writer(unsigned char*& buffer, DWORD* used, DWORD* capacity) : m_buffer(buffer), m_used(used), m_capacity(capacity) {}

    // Room for n more bytes; a failed allocation is reported and gives
    // false with the buffer unchanged.
    bool Reserve(size_t n)
    {
        // Most calls fit; only growing leaves the header.
        if (m_buffer && n <= *m_capacity && *m_used <= *m_capacity - n)
            return true;
        return Grow(n);
    }
    // n bytes at the end, zero-filled, counted as used; null on failure.
    unsigned char* Append(size_t n)
    {
        if (!Reserve(n))
            return nullptr;
        unsigned char* p = m_buffer + *m_used;
        if (n > 0)
            std::memset(p, 0, n);
        *m_used += static_cast<DWORD>(n);
        return p;
    }
    bool Append(const void* data, size_t n);
    DWORD Used() const { return *m_used; }
    unsigned char* At(DWORD offset) { return m_buffer + offset; }

private:
    bool Grow(size_t n);

    unsigned char*& m_buffer;
    DWORD* m_used;
    DWORD* m_capacity;
};

struct FreeBuffer {
    void operator()(unsigned char* p) const { std::free(p); }
};
using BufferPtr = std::unique_ptr<unsigned char, FreeBuffer>;

// Sizes of the fixed parts.
constexpr size_t kNodeHeader = 12;
constexpr size_t kRefSize = 8;
constexpr size_t kMsgRecord = 44;
constexpr size_t kMeasTrailer = measrecord::RECORD_SIZE;
constexpr size_t kStaffRecord = staffrecord::RECORD_SIZE;
constexpr size_t kSystemCounts = 8;
constexpr size_t kBlockRecord = 28;
constexpr size_t kPageRecord = 24;
// The smallest complete records, for testing stored counts against the
// bytes left before anything is allocated.
constexpr size_t kMinMeasRecord = kNodeHeader + kMeasTrailer;
constexpr size_t kMinStaffRecord = kNodeHeader + kStaffRecord;
constexpr size_t kMinMsgRecord = kMsgRecord + kNodeHeader;
// The count byte of a node or measure (kvrec::kMaxChildren, WithinRecord)
// is declared with the node in model/KVObject.h: its stream form counts the
// same way.

// Whether a node takes `more` symbols of its own besides those it holds,
// stale references counted (they bound the live ones from above). While an
// import converts, a measure takes any number: the import fills a measure
// before it beams it and brings it within its record once it is done.
bool HasRoomFor(const CKVObject& node, int more = 1);
// A block record counts its staves and staff-name points in bytes, and names
// each staff by its index in the system's list in a byte.
constexpr int kMaxBlockStaves = 255;
constexpr int kMaxBlockNamePoints = 255;
constexpr int kMaxBlockStaffIndex = 255;

// Makes room in node's reference list for count more at once, so that
// reading them does not grow the list step by step. count is a stored count
// already checked against the bytes left.
void ReserveRefs(CKVObject& node, int count);

// The node part of a node, header, head and children, with the given value
// at header offset 8 (the measure stores its own there).
int WriteNodePart(CKVObject& node, unsigned char*& buffer, DWORD* used, DWORD* capacity, DWORD word8);

// Reads one owned child record for holder (symbol record, node part and,
// for the chord kinds, the chord part). measureChild applies the measure
// reader's repairs. The symbol, or null when the read failed (nothing left
// behind).
CKVMsg* ReadOwnedChild(CKVObject* holder, unsigned char* buffer, DWORD* pos, DWORD* length, bool measureChild);

// References whose tie, slur or tuplet was not read yet. While a system is
// read, the node reader hands such a reference here instead of linking it:
// walks over the symbols read so far (the measures' timing) would take its
// stored id for a live one and drop it. Each staff resolves what it can
// through the copy map; the system resolves the rest once more, gives id 0
// to what is still unknown and links every reference back into its node at
// its stored place.
void BeginSystemPendingRefs();
bool CollectingPendingRefs();
void ClearPendingRefs();
void AddPendingRef(CKVObject* node, MsgRef* ref, int index);
void ResolveStaffPendingRefs();
void ResolveSystemPendingRefs();
// Symbols that the system reader finishes once every id is known: ties,
// slurs and tuplets, whose fields name their ends by stored id, and
// whole-measure repeats, which mark their measure. While a system is read
// the symbol reader lists each one here as it adds it to the map, so that
// the system reader need not go over every symbol of the score again. The
// test of the kind is inline: every symbol read asks it.
inline bool IsSymbolToFinish(BYTE kind, WORD duration)
{
    return kvcopy::IsLinkKind(kind) || (kind == MSG_MEASREPEAT && duration == kWholeMeasureRepeat);
}
// Lists a symbol that IsSymbolToFinish names.
void NoteSymbolToFinish(const CKVMsg& msg);
// The ids listed since the system read began, each once, in the order they
// were listed; empties the list.
std::vector<DWORD> TakeSymbolsToFinish();
// Hands the pending references of from to to (a symbol replaced by another).
void MovePendingRefsOf(CKVObject* from, CKVObject* to);
// Deletes the pending references held by node and by its owned children
// (before they are deleted).
void ForgetPendingRefsOf(CKVObject* node);

// The node part of node through a buffer of its own, in one file write;
// length grows by the bytes written. A failing file write throws.
int WriteNodePartToFile(CKVObject& node, CFile* file, DWORD& length);

// Times every voice of a measure just read, as the measure reader does:
// CKVMeas::UpdatePlayTime and UpdateStartTime for voice 0, then for each
// voice 1 to 8, with the later passes skipped where they would change
// nothing. `children`, when given, are the measure's children in list
// order, all live (the reader has them at hand); without them they are
// looked up.
void TimeReadMeasure(CKVMeas& meas, CKVMsg* const* children = nullptr, int count = 0);

// The document's load position and progress after a reader.
void ReportReadProgress(CKVDoc* doc, DWORD pos);

// The chord-symbol part (KVChordRecord.cpp).
// Packs a chord symbol's root and bass into its 32-bit word and its show
// flags into its object word, just before its record is written.
void PackChordWords(CKVMsg* msg);
// The part that follows a kind-69 child: a chord symbol's own, or that of an
// empty chord for a symbol of that kind that is no chord symbol.
int WriteChordPart(CKVMsg* msg, unsigned char*& buffer, DWORD* used, DWORD* capacity);
// A new chord symbol under holder, for a record of kind 69; null after the
// out-of-memory report.
CKVMsg* NewChordSymbolChild(CKVObject* holder);
// Reads the chord part of a symbol just read with kind 69, or turns a plain
// symbol just read with kind 69, 22 or 23 into a chord symbol in its place
// (reading the chord part for 69). The symbol that now stands for it, or
// null when the read failed (both deleted).
CKVMsg* ReadChordPart(CKVObject* holder, CKVMsg* msg, unsigned char* buffer, DWORD* pos, DWORD* length);

} // namespace kvrec
