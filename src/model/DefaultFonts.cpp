// The table of the default text fonts of a new document.
#include "model/DefaultFonts.h"

const DEFAULT_FONT pDefaultFonts[kDefaultFontCount] = {
    {25132, 12, 0, 0, 0},
    {25133, 10, 0, 0, 0},
    {25135, 11, 0, 0, 0},
    {25135, 10, 0, 0, 0},
    {25134, 12, 0, 0, 0},
    {25135, 12, 0, 0, 0},
    {25134, 12, 0, 0, 0},
    {25132, 12, 0, 0, 0},
};
