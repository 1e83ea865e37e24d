#pragma once
// Everything a host or a program built against the library needs: the
// platform layer first, then every public header of the library.

#include "Platform.h"
#include "MemoryGuard.h"

#include "model/KVObject.h"
#include "model/KVMultiBackup.h"
#include "model/KVMsg.h"
#include "model/KVDrawnMsgs.h"
#include "model/MidiNoteHead.h"
#include "model/KVSystem.h"
#include "model/KVStaff.h"
#include "model/KVMeas.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/InstalledFonts.h"
#include "model/TextHelpers.h"
#include "model/KVCtrlPoint.h"
#include "model/DrumTable.h"
#include "model/KVBackupPtrArray.h"

#include "document/KVCtrlTool.h"
#include "document/KVFileInfo.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "document/KVDoc.h"

#include "render/StMark.h"
#include "render/GlyphTables.h"
#include "render/DefaultFonts.h"
#include "render/FontDatas.h"
#include "render/ScoreView.h"
#include "render/BitmapObject.h"
#include "render/MemoryDC.h"

#include "harmony/KVAutoCodeName.h"
#include "harmony/ChordSurfix.h"
#include "harmony/FretBoard.h"
#include "harmony/Rhythm.h"
#include "harmony/ChordSymbol.h"

#include "timing/MidiFileRead.h"
#include "timing/TieSlurDirection.h"
