// The test face "KvTest": a synthetic text face without a file, whose
// metrics follow from the em alone, so that tests can expect exact numbers
// on every machine.

#include "FontInternal.h"

#include "ProcessState.h"

#include <cmath>

namespace kvfont {
namespace detail {

namespace {

struct TestFaceState {
    bool installed = false;
    bool routed = false;
};

TestFaceState& State()
{
    static TestFaceState state;
    return state;
}

void ResetTestFaces()
{
    std::lock_guard lock(EngineMutex());
    State() = {};
    ForgetRealizedFonts();
}

KvProcessReset s_reset("kvfont.testfaces", &ResetTestFaces);

constexpr BYTE kTestPitch = FIXED_PITCH | FF_MODERN;

// At em E every character advances E/2; the cell is the em, with ascent
// round(4E/5); every character but the space inks the box from the pen to
// the next pen, from the top of the cell down to the baseline.
class TestFaceFont final : public RealizedFont {
public:
    TestFaceFont(const LOGFONTA& logFont, LONG deviceHeight, double xStretch)
        : m_stretch(xStretch)
        , m_escapement(logFont.lfEscapement)
    {
        m_requestedFace = FaceNameOf(logFont);
        m_resolvedFace = kTestFace;
        const LONG em = std::max<LONG>(1, LONG(std::lround(EmOfHeight(deviceHeight, 1.0))));
        const LONG ascent = LONG(std::lround(em * 4.0 / 5.0));
        m_ascent = ascent;
        m_advance = int(std::lround(em * xStretch / 2.0));
        m_charset = logFont.lfCharSet == DEFAULT_CHARSET ? CharsetOfAnsiCodePage() : logFont.lfCharSet;

        TEXTMETRICA& tm = m_metrics;
        tm.tmHeight = em;
        tm.tmAscent = ascent;
        tm.tmDescent = em - ascent;
        tm.tmAveCharWidth = m_advance;
        tm.tmMaxCharWidth = m_advance;
        tm.tmWeight = logFont.lfWeight == FW_DONTCARE ? FW_NORMAL : logFont.lfWeight;
        FillCommonMetrics(tm, logFont, 0x1F);
        tm.tmPitchAndFamily = TextMetricPitch(kTestPitch);
        tm.tmCharSet = m_charset;

        const double lineSize = std::max(1.0, std::round(em / 20.0));
        m_decoration.underline = logFont.lfUnderline != 0;
        m_decoration.strikeOut = logFont.lfStrikeOut != 0;
        m_decoration.underlineTop = std::max(0.0, std::round(tm.tmDescent / 2.0));
        m_decoration.underlineSize = lineSize;
        m_decoration.strikeTop = -std::round(ascent * 0.4);
        m_decoration.strikeSize = lineSize;
    }

    std::u16string DecodeBytes(const char* bytes, int count) const override
    {
        return DecodeByCharset(m_charset, bytes, count);
    }

    int Advance(char16_t) const override { return m_advance; }

    void Render(cairo_t* cr, double x, double y, const std::u16string& units) const override
    {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        if (m_escapement != 0)
            cairo_rotate(cr, -m_escapement * M_PI / 1800.0);
        cairo_scale(cr, m_stretch, 1.0);
        const double advance = m_advance / m_stretch;
        double pen = 0;
        for (char16_t unit : units) {
            if (unit != u' ')
                cairo_rectangle(cr, pen, -m_ascent, advance, m_ascent);
            pen += advance;
        }
        cairo_fill(cr);
        DrawDecorations(cr, m_decoration, pen);
        cairo_restore(cr);
    }

private:
    double m_stretch;
    LONG m_escapement;
    LONG m_ascent = 0;
    int m_advance = 0;
    BYTE m_charset = ANSI_CHARSET;
    TextDecoration m_decoration;
};

} // namespace

bool TestFacesInstalled()
{
    std::lock_guard lock(EngineMutex());
    return State().installed;
}

bool TextFacesRouted()
{
    std::lock_guard lock(EngineMutex());
    return State().routed;
}

std::vector<FamilyEntry> TestFaceRows()
{
    FamilyEntry row;
    row.face = kTestFace;
    row.pitchAndFamily = kTestPitch;
    row.style = "Regular";
    return CharsetRows(row, 1, ANSI_CHARSET);
}

std::shared_ptr<const RealizedFont> RealizeTestFace(const LOGFONTA& logFont, LONG deviceHeight, double xStretch)
{
    return std::make_shared<TestFaceFont>(logFont, deviceHeight, xStretch);
}

} // namespace detail

void InstallTestFaces(bool installed)
{
    std::lock_guard lock(detail::EngineMutex());
    detail::State().installed = installed;
    detail::ForgetRealizedFonts();
}

void RouteTextFacesToTestFace(bool route)
{
    std::lock_guard lock(detail::EngineMutex());
    detail::State().routed = route;
    detail::ForgetRealizedFonts();
}

} // namespace kvfont
