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
#include "model/StMark.h"
#include "model/GlyphTables.h"
#include "model/DefaultFonts.h"
#include "model/FontDatas.h"
#include "model/MidiFileRead.h"

#include "document/KVCtrlTool.h"
#include "document/KVFileInfo.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "document/KVDoc.h"

#include "render/ScoreView.h"
#include "model/BitmapObject.h"
#include "render/MemoryDC.h"

#include "harmony/KVAutoCodeName.h"
#include "harmony/ChordRtBsInfo.h"
#include "harmony/ChordSurfix.h"
#include "harmony/FretBoard.h"
#include "harmony/Rhythm.h"
#include "harmony/ChordSymbol.h"
#include "harmony/RtmGrpInfo.h"

#include "timing/TieSlurDirection.h"
#include "edit/PasteState.h"

#include "import/EncRecords.h"
#include "import/EncMeas.h"
#include "import/EncDoc.h"
