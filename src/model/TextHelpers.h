#pragma once
// Free helpers shared by the drawing, file and dialog code: text in the
// music font, font set-up, strings in byte buffers, base-36 digits, searches
// in list controls, file-name strings, the staff of a symbol and the
// append-only diagnostic dump. None of them keeps state.

#include "Platform.h"

class CKVMsg;
class CKVStaff;

// Text output and measurement. A one-byte text b goes out as the single
// UTF-16 code b for 241-249 and 256 + b otherwise, where the music font keeps
// its symbols; length -1 means the first byte alone, as plain bytes.
int MyDrawTextOut(CDC* dc, int x, int y, const char* text, int length);
int MyDrawTextOut(CDC* dc, int x, int y, CString text);
// Measures at window and viewport extents of (100, 100), so that the result
// does not depend on the caller's zoom; the extents are restored.
int MyGetTextExtent(CDC* dc, const char* text, int length, SIZE* size);

// Font set-up. Sizes are in tenths of a point; the style mask is 1 italic,
// 2 strike-out, 4 underline, 8 bold. A null CDC means the screen.
int GetDefaultLogFont(LOGFONT& font, short size, const char* face, short style, CDC* dc);
// Fills `font` from the registered "ZelvoraB" face, keeping the caller's
// height; the width becomes 0. Without that face only the width changes.
int ZelvoraLogFontProc(LOGFONT& font, CDC* dc);
// The enumeration callback of ZelvoraLogFontProc: copies the "ZelvoraB"
// record into `found` and stops (0), otherwise goes on (1).
int GetLogFont(ENUMLOGFONT* record, NEWTEXTMETRIC* metrics, int fontType, LOGFONT* found);
// The font dialog preset from the arguments; 0 with nothing changed when it
// is cancelled. `face` holds at least LF_FACESIZE bytes.
int SelectFont(short& size, char* face, short& style);
// Selects the font into the output context and into a distinct attribute
// context; returns the output context's previous font and stores the
// attribute context's (or null) in oldAttrib.
HFONT SelectFontObject(CDC* dc, CFont* font, HFONT& oldAttrib);
HFONT SelectFontObject(CDC* dc, CFont* font);

// Strings in byte buffers: a 16-bit length, low byte first, then the bytes.
// Both give 1, or 0 with *pos, the buffer and the string untouched (Read
// empties the string) when the string does not fit in *length or *capacity.
int ReadCStringFromMem(unsigned char* buffer, DWORD* pos, DWORD* length, CString& text);
int WriteCStringToMem(unsigned char* buffer, DWORD* pos, DWORD* capacity, CString& text);

// Base-36 digits: '0'-'9' and letters of either case; 255 for anything else.
unsigned char AsciiToBYTE(char ch);
// The digit of 0-35 in capitals, '*' above.
char BYTEToAscii(unsigned char value);
// The accidental letters of chord names ('#', 'b', '$') as music-font codes.
// Defined in harmony/ChordSurfix.cpp, where the chord-name codes are read.
char AsciiToAcci(char ch);
int IsUpperCase(char ch);
int IsLowerCase(char ch);

// Case-sensitive search of the items after `start` (from the top when start
// is negative), without wrapping; -1 when none matches.
int FindStringWithCase(CListBox& list, int start, CString text);
int FindStringWithCase(CComboBox& combo, int start, CString text);
// The same, selecting the item found.
int SelectStringWithCase(CListBox& list, int start, CString text);
// The list box's own whole-item search (case ignored, wrapping), selecting
// the item found.
int SelectStringExact(CListBox& list, int start, CString text);

// The character of `set` that comes first in `text` at or after `start`;
// start moves to it. 0 with start unchanged when there is none.
char FindFirstMatchChar(const CString& text, const CString& set, int& start);
// Cuts "(...)" (or "(..." to the end) out of `text` into `out`; 0 with
// nothing changed when there is no '(' or a ')' comes first.
int GetStringInBracket(CString& out, CString& text);
// Splits a Windows path at its last '\': returns the folder with the '\' and
// leaves the file name in `path`.
CString AnalyzeFileName(CString& path);
// Leaves in `path` what follows `base` (a folder, compared in capitals) and
// gives 1; otherwise empties `path` and gives 0.
int GetRelativeFileName(CString& path, const CString& base);

// Maps *pt from `from`'s client area to `target`'s; 1 when it lies in it.
int IsPtInControl(CWnd* from, CWnd& target, CPoint* pt);
// The staff or ossia staff that holds a symbol, through symbol and measure
// parents; null for a page symbol or a symbol outside the tree.
CKVStaff* GetParentStaffOfMsg(const CKVMsg& msg);

// Kept for their callers; they have nothing to do here.
void MyShowCursor(int show);
void AddKvcExtentionToFileName(CString& path);

// Append to the diagnostic file "C:Logo.dat" (the virtual current
// directory's Logo.dat). They give the count asked for, written or not.
int OutLogoText(CString text);
int OutLogoBuffer(unsigned char* buffer, int count);
