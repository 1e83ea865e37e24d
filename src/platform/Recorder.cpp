#include "Recorder.h"

#include "GdiInternal.h"
#include "ProcessState.h"

#include <cstdio>
#include <sstream>

namespace kvrec {

namespace {

std::vector<std::string> s_warnings;

void ResetWarnings()
{
    s_warnings.clear();
}

KvProcessReset s_reset("drawing warnings", &ResetWarnings);

// Colours print as RRGGBB, the way people write them.
std::string Hex6(COLORREF colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

std::string Utf8(const std::u16string& units)
{
    std::string out;
    for (char16_t u : units) {
        const unsigned c = u;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool IsOneOf(const std::string& call, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (call == name)
            return true;
    return false;
}

} // namespace

const std::vector<std::string>& Warnings()
{
    return s_warnings;
}

std::string Entry::Dump() const
{
    std::ostringstream out;
    out << call;
    const bool text = call == "TextOutA" || call == "TextOutW";
    if (text) {
        out << " x=" << logical.at(0).x << " y=" << logical.at(0).y;
        out << " face=" << (resolvedFace.empty() ? requestedFace : resolvedFace);
        out << " h=" << font.lfHeight << " align=" << align << " color=" << Hex6(textColour);
        if (!glyphs.empty()) {
            out << " glyphs=";
            for (size_t i = 0; i < glyphs.size(); ++i) {
                char code[8];
                std::snprintf(code, sizeof code, glyphs[i] < 0 ? "-" : "%02X", glyphs[i]);
                out << (i ? "," : "") << code;
            }
        } else {
            out << " text=\"" << Utf8(units) << "\"";
        }
        return out.str();
    }
    if (!values.empty()) {
        for (LONG v : values)
            out << ' ' << v;
    }
    for (size_t i = 0; i < logical.size(); ++i) {
        out << ' ' << logical[i].x << ',' << logical[i].y;
        if (i < device.size())
            out << "=>" << device[i].x << ',' << device[i].y;
    }
    if (rop3 != 0) {
        char code[12];
        std::snprintf(code, sizeof code, "%08X", rop3);
        out << " rop=" << code << " brush=" << Hex6(brushColour);
        if (source)
            out << " items=" << sourceList.size();
    }
    if (IsOneOf(call, {"LineTo", "Polyline", "Polygon", "PolyBezier", "Rectangle", "Ellipse", "RoundRect",
                       "Arc", "StrokePath", "StrokeAndFillPath"}))
        out << " pen=" << penStyle << '/' << penWidth << '/' << Hex6(penColour);
    if (IsOneOf(call, {"Polygon", "Rectangle", "Ellipse", "RoundRect", "FillPath", "StrokeAndFillPath", "FillRect",
                       "FillSolidRect"}))
        out << " brush=" << (brushStyle == BS_NULL ? std::string("null") : Hex6(brushColour));
    if (rop2 != R2_COPYPEN && rop3 == 0 && !logical.empty())
        out << " rop2=" << rop2;
    if (inPath)
        out << " path";
    if (!result)
        out << " FALSE";
    return out.str();
}

std::vector<GlyphHit> Recorder::Glyphs() const
{
    std::vector<GlyphHit> hits;
    for (const Entry& entry : m_entries)
        hits.insert(hits.end(), entry.glyphHits.begin(), entry.glyphHits.end());
    return hits;
}

std::vector<const Entry*> Recorder::Calls(const std::string& call) const
{
    std::vector<const Entry*> found;
    for (const Entry& entry : m_entries)
        if (entry.call == call)
            found.push_back(&entry);
    return found;
}

std::vector<const Entry*> Recorder::Texts() const
{
    std::vector<const Entry*> found;
    for (const Entry& entry : m_entries)
        if (IsOneOf(entry.call, {"TextOutA", "TextOutW"}))
            found.push_back(&entry);
    return found;
}

std::vector<const Entry*> Recorder::Lines() const
{
    std::vector<const Entry*> found;
    for (const Entry& entry : m_entries)
        if (IsOneOf(entry.call, {"LineTo", "Polyline"}))
            found.push_back(&entry);
    return found;
}

std::vector<const Entry*> Recorder::Shapes() const
{
    std::vector<const Entry*> found;
    for (const Entry& entry : m_entries)
        if (IsOneOf(entry.call, {"Polygon", "PolyBezier", "Rectangle", "Ellipse", "RoundRect", "Arc", "FillRect",
                                 "FillSolidRect", "FillPath", "StrokePath", "StrokeAndFillPath"}))
            found.push_back(&entry);
    return found;
}

std::string Recorder::Dump() const
{
    std::string out;
    for (const Entry& entry : m_entries)
        out += entry.Dump() + '\n';
    return out;
}

void Recorder::Clear()
{
    m_entries.clear();
    m_warnings.clear();
}

Entry& Recorder::Add(Entry entry)
{
    entry.seq = m_nextSeq++;
    m_entries.push_back(std::move(entry));
    return m_entries.back();
}

} // namespace kvrec

namespace kvgdi {

void Warn(HDC__* dc, const std::string& text)
{
    kvrec::s_warnings.push_back(text);
    if (dc && dc->recorder)
        dc->recorder->Warn(text);
}

kvrec::Entry* LogCall(HDC__* dc, const char* call)
{
    if (!dc || !dc->recorder)
        return nullptr;
    kvrec::Entry entry;
    entry.call = call;
    const DcState& s = dc->state;
    if (const FontObject* font = LookupFont(s.font)) {
        entry.font = font->logFont;
        entry.requestedFace = font->logFont.lfFaceName;
    }
    entry.textColour = s.textColour;
    entry.bkColour = s.bkColour;
    entry.bkMode = s.bkMode;
    entry.align = s.align;
    if (const PenObject* pen = LookupPen(s.pen)) {
        entry.penStyle = pen->style & PS_STYLE_MASK;
        entry.penType = pen->style & PS_TYPE_MASK;
        entry.penWidth = pen->width;
        entry.penColour = pen->colour;
        entry.penDashes = pen->dashes;
        entry.penCap = pen->style & PS_ENDCAP_MASK;
        entry.penJoin = pen->style & PS_JOIN_MASK;
    }
    if (const BrushObject* brush = LookupBrush(s.brush)) {
        entry.brushStyle = brush->style;
        entry.brushColour = brush->colour;
        entry.brushStock = brush->stockIndex;
    }
    entry.rop2 = s.rop2;
    entry.stretchMode = s.stretchMode;
    entry.polyFillMode = s.polyFillMode;
    GetClipBox(dc->handle, &entry.clip);
    entry.mapMode = s.mapMode;
    entry.windowOrg = s.windowOrg;
    entry.viewportOrg = s.viewportOrg;
    if (s.mapMode == MM_TEXT) {
        entry.windowExt = SIZE {1, 1};
        entry.viewportExt = SIZE {1, 1};
    } else {
        entry.windowExt = s.windowExt;
        entry.viewportExt = s.viewportExt;
    }
    entry.inPath = dc->inPath;
    return &dc->recorder->Add(std::move(entry));
}

void LogPoints(kvrec::Entry* entry, const HDC__* dc, const POINT* points, int count)
{
    if (!entry)
        return;
    for (int i = 0; i < count; ++i) {
        entry->logical.push_back(points[i]);
        entry->device.push_back(ToDevice(dc, points[i]));
    }
}

} // namespace kvgdi
