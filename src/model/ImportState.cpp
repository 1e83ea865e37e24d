#include "model/ImportState.h"

#include "Platform.h"

int bImportConverting = 0;

namespace {

void ResetImportConverting()
{
    bImportConverting = 0;
}

KvProcessReset s_reset("import converting", &ResetImportConverting);

} // namespace
