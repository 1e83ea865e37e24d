#pragma once
// The leading part of a whole score file: the optional host block with its
// extra record, then the "KVC" block. Readers of whole files (the host, the
// rhythm-pattern loader) call this before the settings record.

#include "Platform.h"

// Reads the leading part from the file's position. 1: read, with `version`
// the version of the "KVC" block; 0: unreadable (the host's message 24921);
// -1: written by a newer version (message 24923). The caller shows the
// message.
int ReadKvcLeadingPart(CFile* file, WORD& version);
