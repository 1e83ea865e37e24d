#pragma once
// The part of a KVC score file in front of the settings record: the host's
// optional 1420-byte block (with its short follow-up record) and the
// 792-byte "KVC" block. Every reader of whole score files starts here.

#include "Platform.h"

// The newest file format this library reads and writes.
constexpr WORD KVC_FILE_VERSION = 8210;

// Outcomes of ReadKvcLeadingPart. The two failures are the ids of the host
// texts that the caller shows.
enum KvcLeadingResult : int {
    KVC_LEADING_READ = 0,
    KVC_LEADING_UNREADABLE = 24921,
    KVC_LEADING_NEWER = 24923,
};

// Reads the leading part from the file's current position and leaves the
// file at the settings record. `version` receives the version of the "KVC"
// block (the one to upgrade from); `hostBlock`, when given, whether the
// file starts with the host's block. A version above KVC_FILE_VERSION in
// either block gives KVC_LEADING_NEWER; a part that is cut short or lacks
// its "KVC" text gives KVC_LEADING_UNREADABLE. Nothing is shown here.
int ReadKvcLeadingPart(CFile* file, WORD& version, BOOL* hostBlock = nullptr);
