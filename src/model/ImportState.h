#pragma once
// Set while an imported score is being converted; drawing and spacing code
// then skips work that the conversion does itself.

extern int bImportConverting;
