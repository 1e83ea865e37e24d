// Runs of same-coloured fills on vector targets, and the turning of each
// fill's outline so that overlapping fills add up instead of cancelling.

#include "FillRun.h"

namespace kvgdi {

namespace {

const cairo_user_data_key_t kRunKey {};

cairo_path_data_t Header(cairo_path_data_type_t type, int length)
{
    cairo_path_data_t data;
    data.header.type = type;
    data.header.length = length;
    return data;
}

cairo_path_data_t Point(double x, double y)
{
    cairo_path_data_t data;
    data.point.x = x;
    data.point.y = y;
    return data;
}

// The context's current path in device space.
cairo_path_t* DevicePath(cairo_t* cr, bool flat)
{
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_path_t* path = flat ? cairo_copy_path_flat(cr) : cairo_copy_path(cr);
    cairo_restore(cr);
    return path;
}

// Twice the signed area that a flattened path encloses, every subpath
// closed as a fill closes it.
double SignedArea(const cairo_path_t* path)
{
    double sum = 0;
    double startX = 0, startY = 0, lastX = 0, lastY = 0;
    auto edgeTo = [&](double x, double y) {
        sum += lastX * y - x * lastY;
        lastX = x;
        lastY = y;
    };
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* d = &path->data[i];
        switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
            edgeTo(startX, startY);
            startX = lastX = d[1].point.x;
            startY = lastY = d[1].point.y;
            break;
        case CAIRO_PATH_LINE_TO:
            edgeTo(d[1].point.x, d[1].point.y);
            break;
        case CAIRO_PATH_CURVE_TO: // none in a flat path
            break;
        case CAIRO_PATH_CLOSE_PATH:
            edgeTo(startX, startY);
            break;
        }
    }
    edgeTo(startX, startY);
    return sum;
}

// Appends the subpath data[from, to), which opens with its move, run
// backwards: from its last point to its first, each curve with its control
// points swapped; a closed subpath stays closed.
void AppendReversedSubpath(const cairo_path_data_t* data, int from, int to, std::vector<cairo_path_data_t>& out)
{
    struct Segment {
        int at;      // the segment's header
        double x, y; // where the segment starts
    };
    std::vector<Segment> segments;
    bool closed = false;
    double x = data[from + 1].point.x, y = data[from + 1].point.y;
    for (int i = from + data[from].header.length; i < to; i += data[i].header.length) {
        if (data[i].header.type == CAIRO_PATH_CLOSE_PATH) {
            closed = true;
            continue;
        }
        segments.push_back(Segment {i, x, y});
        const cairo_path_data_t& end = data[i + data[i].header.length - 1];
        x = end.point.x;
        y = end.point.y;
    }
    out.push_back(Header(CAIRO_PATH_MOVE_TO, 2));
    out.push_back(Point(x, y));
    for (auto s = segments.rbegin(); s != segments.rend(); ++s) {
        const cairo_path_data_t* d = &data[s->at];
        if (d->header.type == CAIRO_PATH_CURVE_TO) {
            out.push_back(Header(CAIRO_PATH_CURVE_TO, 4));
            out.push_back(d[2]);
            out.push_back(d[1]);
        } else {
            out.push_back(Header(CAIRO_PATH_LINE_TO, 2));
        }
        out.push_back(Point(s->x, s->y));
    }
    if (closed)
        out.push_back(Header(CAIRO_PATH_CLOSE_PATH, 1));
}

// Appends the path with each of its subpaths run backwards.
void AppendReversed(const cairo_path_t* path, std::vector<cairo_path_data_t>& out)
{
    const cairo_path_data_t* data = path->data;
    int start = 0;
    for (int i = 0; i < path->num_data;) {
        i += data[i].header.length;
        if (i < path->num_data && data[i].header.type != CAIRO_PATH_MOVE_TO)
            continue;
        if (data[start].header.type == CAIRO_PATH_MOVE_TO)
            AppendReversedSubpath(data, start, i, out);
        start = i;
    }
}

} // namespace

bool FillRun::SolidSource(cairo_t* cr, Colour& colour)
{
    return cairo_pattern_get_rgba(cairo_get_source(cr), &colour.r, &colour.g, &colour.b, &colour.a) ==
           CAIRO_STATUS_SUCCESS;
}

bool FillRun::Add(cairo_t* cr)
{
    Colour colour;
    if (cairo_get_fill_rule(cr) != CAIRO_FILL_RULE_WINDING || !SolidSource(cr, colour))
        return false;
    if (colour != m_colour)
        Flush(cr);
    m_colour = colour;
    cairo_path_t* path = DevicePath(cr, false);
    cairo_path_t* flat = DevicePath(cr, true);
    cairo_new_path(cr);
    if (path->status == CAIRO_STATUS_SUCCESS && flat->status == CAIRO_STATUS_SUCCESS) {
        if (SignedArea(flat) >= 0)
            m_path.insert(m_path.end(), path->data, path->data + path->num_data);
        else
            AppendReversed(path, m_path);
    }
    cairo_path_destroy(flat);
    cairo_path_destroy(path);
    return true;
}

void FillRun::Flush(cairo_t* cr)
{
    if (m_path.empty())
        return;
    cairo_path_t path {CAIRO_STATUS_SUCCESS, m_path.data(), static_cast<int>(m_path.size())};
    // The caller's path waits for its own fill.
    cairo_path_t* waiting = DevicePath(cr, false);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_new_path(cr);
    cairo_append_path(cr, &path);
    cairo_set_source_rgba(cr, m_colour.r, m_colour.g, m_colour.b, m_colour.a);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr);
    if (waiting->status == CAIRO_STATUS_SUCCESS)
        cairo_append_path(cr, waiting);
    cairo_path_destroy(waiting);
    cairo_restore(cr);
    m_path.clear();
}

void FillRun::FlushUnlessSource(cairo_t* cr)
{
    Colour colour;
    if (!SolidSource(cr, colour) || colour != m_colour)
        Flush(cr);
}

void AttachFillRun(cairo_t* cr, FillRun* run)
{
    cairo_set_user_data(cr, &kRunKey, run, nullptr);
}

FillRun* AttachedFillRun(cairo_t* cr)
{
    return static_cast<FillRun*>(cairo_get_user_data(cr, &kRunKey));
}

void FillInk(cairo_t* cr)
{
    FillRun* run = AttachedFillRun(cr);
    if (run && run->Add(cr))
        return;
    if (run)
        run->Flush(cr);
    cairo_fill(cr);
}

} // namespace kvgdi
