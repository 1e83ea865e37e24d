#pragma once
// One staff across the whole score: it owns every measure of that staff from
// the first bar to the last and carries the staff's clef type, kind, line
// count, size (the object word, in percent), name and per-voice MIDI settings.
// The name, with three further texts and an offset, is also kept in a
// staff-name symbol among the staff's own children.

#include "Platform.h"
#include "model/KVMultiBackup.h"
#include "model/KVObject.h"

class CKVMeas;
class CKVMsg;
class CKVSystem;

class CKVStaff : public CKVObject, public CKVMultiBackup {
public:
    // Staff kinds.
    static constexpr BYTE KIND_NORMAL = 1;
    static constexpr BYTE KIND_DRUM = 2;
    static constexpr BYTE KIND_DRUM_SECOND = 3;
    static constexpr BYTE KIND_ONE_LINE = 4;  // every note sits at the middle-line position
    static constexpr BYTE KIND_FREE_LINE = 5; // line count and size given when made

    // Display flags.
    static constexpr BYTE SHOW_CLEF = 0x01;
    static constexpr BYTE SHOW_KEY = 0x02;
    static constexpr BYTE SHOW_TIME = 0x04;
    static constexpr BYTE SHOW_LEFT_LINE = 0x08;

    // Clef types with a meaning for the staff itself.
    static constexpr BYTE CLEF_DRUM = 8;
    static constexpr BYTE CLEF_FREE_LINE = 9;
    static constexpr BYTE DRUM_CHANNEL = 9;

    static constexpr int VOICES = 8;
    static constexpr int NAME_SIZE = 32;
    static constexpr int DRUM_KIT_RECORD_SIZE = 66; // u16 kit index, then the kit name
    static constexpr WORD DEFAULT_SIZE_PERCENT = 100;

    // Defined in model/KVStaff.cpp
    CKVStaff();
    ~CKVStaff() override;

    // Measures.
    int Create(LONG measCount, BYTE clefType, short timeNum, short timeDen);
    // Appends measures copied from the model (the last measure when none);
    // clef 255 keeps each measure's own initial clef. 1, 0 when memory is
    // out, -1 for a count below 1.
    short AddMeas(LONG count, CKVMeas* model, BYTE initClef);
    // Inserts before the index, clamped to the list. 1, 0 when memory is
    // out, -1 for a count below 1.
    short InsertMeas(LONG index, LONG count, int unused);
    // The number removed; -1 (nothing removed) for a negative index, a count
    // below 1 or an index past the end.
    short RemoveMeas(LONG index, LONG count);
    LONG GetMeasNum();
    CKVMeas* GetMeas(LONG index);
    const CKVStaff& operator=(CKVStaff& other);

    // Key signatures and endings over a range of measures.
    void ChangeKeySignature(int first, int last, BYTE keyType, int keyCount, DWORD options, int withChords);
    // A drawn key signature: each measure of the range gets an owned copy of
    // the model. 0 when no measure lies in the range or memory is out.
    int ChangeCustomKeySign(int first, int last, CKVMsg& model, DWORD options);
    void EndingCheck();
    // Takes over the other staff's measures and empties its list.
    void Import(CKVStaff* other);
    void GetMemorySize(DWORD& total);
    // Removes the symbols of every measure that DelMsgTakes names, a beam
    // group or chord with its members; the groups of other voices stay as
    // they are. Voice 0 removes every symbol of every measure.
    void DelMsg(short voice);
    // Whether DelMsg(voice) removes a symbol that stands in a measure of
    // the staff: one of the voice, or any for voice 0.
    static bool DelMsgTakes(const CKVMsg& msg, short voice);

    // The staff-name symbol. Each text is kept to 31 bytes, so the four
    // buffers given to GetStaffNameFromMsg must hold at least NAME_SIZE (32).
    void GetStaffNameFromMsg(char* name, char* text2, char* text3, char* text4, int& x, int& y);
    void SetStaffNameToMsg(const char* name, const char* text2, const char* text3, const char* text4, int x, int y);

    void SetClefVisible(int on);
    void SetKeySignVisible(int on);
    void SetTimeVisible(int on);
    void SetLeftLineVisible(int on);
    int IsClefVisible();
    int IsKeySignVisible();
    int IsTimeVisible();
    int IsLeftLineVisible();

    // The older stream form: node record, 112-byte staff record, measures.
    short Save(CFile* file);
    short Load(CFile* file);
    short CopyToBuff(unsigned char* buffer);

    // Deletes the clone that the backup link names.
    void DeleteBackupData() override;

    // Defined in document/KVStaffBackup.cpp
    int ObjectBackup(int record, int crossStaff);
    void ObjectFeedback();
    // Moves the current flag to the partner for the staff and each measure.
    void SetCurrentFlag2BackupObj();
    // Replays a step's slur relink records in every measure.
    void SlurFeedback(void* slurStep);

    // Defined in document/KVStaffCopy.cpp
    int CreateFrom(CKVStaff* source);

    // Defined in document/KVStaffMemSize.cpp
    int GetStaffMemSize();

    // Defined in document/KVStaffRecord.cpp
    int Write(unsigned char*& buffer, DWORD* used, DWORD* capacity);
    int Write(CFile* file, DWORD& length);
    int Read(unsigned char* buffer, DWORD* pos, DWORD* length);

    // Defined in timing/KVStaffPitch.cpp
    // Pitch: sets the clef of the whole staff; clef 8 makes it a drum staff.
    void SetClefType(BYTE clef);

    // Defined in edit/KVStaffLayout.cpp
    // The index in the system's staff list (ossia list for an ossia staff).
    short GetIndexInSystem();

    // Defined in edit/KVObjectPaste.cpp
    // Copies the clef, staff kind, name and group-bracket bytes, then the
    // node part; not the measures.
    void Copy(CKVStaff& source);

    // Defined in edit/KVStaffPaste.cpp
    short Paste(CKVStaff* source, BYTE voice, short x, LONG meas, int overwrite, int autoBeam, int backup);

    // Defined in edit/KVStaffQuery.cpp
    short GetMeasIndex(CKVMeas* meas);

    // Fields.
    BYTE m_byClefType = 1;
    BYTE m_byStaffKind = KIND_NORMAL;
    WORD m_wStaffWord = 0;                  // carried in the staff record
    BYTE m_byChannel[VOICES] = {};          // MIDI channel of each voice
    BYTE m_byVoiceFirst[VOICES] = {127, 127, 127, 127, 127, 127, 127, 127};
    BYTE m_byVoiceSecond[VOICES] = {1, 1, 1, 1, 1, 1, 1, 1};
    BYTE m_byVoiceThird[VOICES] = {1, 1, 1, 1, 1, 1, 1, 1};
    BYTE m_byLineCount = 5;
    BYTE m_byGroupBracket[3] = {};          // mode 1001 sets [0] on the upper and [1] on the lower staff to 4
    char m_szName[NAME_SIZE] = {};
    CTypedPtrArray<CPtrArray, CKVMeas*> m_arrMeas; // owned
    BYTE m_byDisplayFlags = SHOW_CLEF | SHOW_KEY | SHOW_TIME | SHOW_LEFT_LINE;
    DWORD m_dwStaffWord1 = 0;
    DWORD m_dwStaffWord2 = 0;
};
