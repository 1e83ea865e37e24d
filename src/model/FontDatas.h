#pragma once
// The document's font table: the text fonts that the score's symbols name by
// number. The host stores the table in the score file in a flat form:
// per font its number, the name length and the face name.

#include "Platform.h"

#include <cstddef>

class CFontDatas {
public:
    static constexpr int kMaxNameLength = 255;

    CFontDatas();
    CFontDatas(const CFontDatas&) = delete;
    ~CFontDatas();

    // Replaces this table's fonts by copies of the other's (their names
    // pass through the nearest-name mapping again). The names as loaded are
    // neither copied nor cleared.
    void operator=(const CFontDatas& other);

    // The number of the font with this face name; an unknown name is added
    // under a new number. 0 when it cannot be added.
    short GetFontNumber(const char* name);
    // Copies the face name of the font with this number (its low byte) into
    // `face`, with a terminating zero, and returns 1; 0 (face untouched)
    // when no font has it.
    int GetFontName(int number, char* face);
    // The largest number in the table + 1; 1 for an empty table.
    short GetNewNumber();
    // Appends a font under this number with the first `length` bytes of the
    // name, mapped to its installed face.
    void AddNewFont(short number, const char* name, BYTE length);
    // The first font, in table order, whose number is above `number`: sets
    // the number, the name (no terminator) and its length and returns 1; 0
    // when there is none.
    int ReadFontInfo(short& number, char* name, BYTE& length);
    // The number of fonts in the table.
    int GetFontCount() const;

    // The flat form. Fonts keep the names they were loaded under.
    LONG GetBufferSize();
    // `buffer` must hold GetBufferSize() bytes; returns the bytes written.
    LONG SaveBuffer(char* buffer, LONG size);
    // Adds the fonts of a flat form, numbered after the fonts present.
    void LoadBuffer(char* buffer, LONG size);

    // Character set and pitch-and-family byte of the installed face of the
    // font with this number; 0 when no font has the number.
    BYTE GetCharSet(BYTE number);
    BYTE GetPitchAndFamily(BYTE number);
    BYTE GetCharSet(CString& face);
    BYTE GetPitchAndFamily(CString& face);

    // The installed face used in place of a name, or the name itself.
    void GetNearestFontName(const char* name, char* out);
    // Removes every font; the names as loaded stay.
    void Initalize();

private:
    struct FontRecord {
        BYTE number = 0;
        BYTE length = 0;
        char name[kMaxNameLength] = {};
        FontRecord* next = nullptr;
    };

    FontRecord* Find(BYTE number) const;
    // The entry of the name a font was loaded under, or null.
    BYTE* LoadedEntry(BYTE number) const;
    // The name a font was loaded under, or null.
    const char* LoadedName(BYTE number) const;
    // The name a record is saved under, and its length.
    const char* SavedName(const FontRecord& record, size_t& length);
    void RememberLoadedName(BYTE number, const char* name, BYTE length);
    void FreeRecords();

    FontRecord* m_pFirst = nullptr;
    // Entries of 257 bytes: the number, then the name as loaded with its
    // terminating zero.
    CPtrArray m_arrLoadedName;
};
