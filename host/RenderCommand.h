#pragma once
// `kvorel render FILE -o OUT`: draws pages of a score into PNG, PDF or SVG
// files. The page geometry, the drawing pass of one page and the text blit
// surface are shared with the benchmark, which draws pages as the command
// does.

#include "HostApp.h"

namespace kvorel {

// A page of the score and the device that draws it. The device reports the
// score's own stored resolution, so that opening a pass never rescales the
// score; another resolution or zoom goes through the mapping.
struct PageDevice {
    int resolution = 0; // the score's stored resolution r, also the device's dpi
    CRect page;         // the paper with its margins, in dots at r
    int width = 0;      // the device in pixels
    int height = 0;
    int viewport = 0;   // the viewport extent against a window extent of r
};

// The device of a page at `dpi` and `zoom` percent for a raster output, or
// at the zoom alone for a vector one. false when the score's resolution or
// the sizes are out of the platform's range.
bool MakePageDevice(CKVDoc& doc, bool raster, int dpi, int zoom, PageDevice& device);

// One drawing pass of page `index` on `dc`: a screen pass unless
// `printing`, with the host's resource module, the page's zoom and origin
// (0, 0). false when the pass cannot be opened.
bool DrawScorePage(CKVDoc& doc, CDC& dc, HMODULE resources, bool printing, const PageDevice& device, int index);

// `memTextDC` prepared as a host does for the life of the object: a memory
// DC compatible with the screen with `bmpText` selected, room for twice the
// largest glyph at the page's zoom.
class TextBlitSurface {
public:
    TextBlitSurface(CKVDoc& doc, const PageDevice& device);
    ~TextBlitSurface();
    TextBlitSurface(const TextBlitSurface&) = delete;
    TextBlitSurface& operator=(const TextBlitSurface&) = delete;

private:
    CBitmap* m_previous = nullptr;
};

// Runs the command on the arguments after "render" (argv[first] is FILE);
// returns the process's exit status: 0, 1 for a file that cannot be read or
// written or a page the score does not have, 2 for a usage error (the usage
// is then the caller's to print).
int RunRender(Host& host, int argc, char** argv, int first);

} // namespace kvorel
