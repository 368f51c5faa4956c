// Geometry: the object set, its extremes and the .dgm file.
#include "Geometry.h"

#include "Clock.h"
#include "DFile.h"
#include "DataIO_p.h"

#include <cmath>

namespace {

const int DgmVersion = 1;
// The fewest bytes one object takes: name length, type, 10 floats, point count, 7 values.
const long long MinObjectBytes = 4 + 4 + 40 + 4 + 28;
// Files up to this size are read in one call and parsed from memory.
const int ReadAheadBytes = 1 << 20;

// A growing box around points.
struct Bounds {
    float hi[3] = {};
    float lo[3] = {};
    bool any = false;

    void add(float const* p, float radius = 0.0f)
    {
        for (int k = 0; k < 3; ++k) {
            float const top = p[k] + radius;
            float const bottom = p[k] - radius;
            if (!any || top > hi[k])
                hi[k] = top;
            if (!any || bottom < lo[k])
                lo[k] = bottom;
        }
        any = true;
    }
};

float Larger(float a, float b)
{
    return a > b ? a : b;
}

void AddObject(Bounds& box, Geometry::Object const& o)
{
    float end[3];
    for (int k = 0; k < 3; ++k)
        end[k] = o.origin[k] + o.axis[k];
    float const* s = o.size;
    switch (o.type) {
    case Geometry::Line:
        box.add(o.origin);
        box.add(o.axis);
        break;
    case Geometry::Polyline:
    case Geometry::Polygon:
    case Geometry::Mesh:
        box.add(o.origin);
        for (int i = 0; i + 2 < o.points.Count(); i += 3) {
            float const v[3] = {o.origin[0] + o.points[i], o.origin[1] + o.points[i + 1],
                                o.origin[2] + o.points[i + 2]};
            box.add(v);
        }
        break;
    case Geometry::Rectangle:
        box.add(o.origin, float(0.5 * std::sqrt(double(s[0]) * s[0] + double(s[1]) * s[1])));
        break;
    case Geometry::Circle:
    case Geometry::Sphere: box.add(o.origin, std::fabs(s[0])); break;
    case Geometry::Box:
        box.add(o.origin, float(0.5
                                * std::sqrt(double(s[0]) * s[0] + double(s[1]) * s[1]
                                            + double(s[2]) * s[2])));
        break;
    case Geometry::Cylinder:
    case Geometry::Cone: {
        float const r = Larger(std::fabs(s[0]), std::fabs(s[1]));
        box.add(o.origin, r);
        box.add(end, r);
        break;
    }
    default: box.add(o.origin); break;
    }
}

bool ReadFloats(dataio::Reader& r, float* p, int n)
{
    return r.Bytes(p, n * 4LL);
}

// Steps over n bytes. Short steps are read through the stream's buffer, which costs no
// system call, where a seek would drop the buffer and read it again.
bool Pass(dataio::Reader& r, long long n)
{
    char scratch[4096];
    if (n < 0 || n > static_cast<long long>(sizeof scratch))
        return r.Skip(n);
    return r.Bytes(scratch, n);
}

// Steps over one string record; false when it does not fit in the file.
bool PassText(dataio::Reader& r)
{
    int n = 0;
    return r.Int(n) && Pass(r, n);
}

// Walks `n` objects and the trailer without keeping anything: true when they are all in the
// file, so that reading them over a set's own objects cannot fail half way.
bool Fits(dataio::Reader& r, int n)
{
    for (int i = 0; i < n; ++i) {
        int points = 0;
        if (!PassText(r) || !Pass(r, 4 + 40) || !r.Int(points) || points < 0
            || !Pass(r, points * 4LL) || !Pass(r, 28))
            return false;
    }
    return Pass(r, 24) && PassText(r) && PassText(r) && PassText(r);
}

// Reads one object over `o`, whose point room is kept (ReSize does not give memory back).
bool ReadObject(dataio::Reader& r, Geometry::Object& o)
{
    int n = 0;
    o.name = DString(); // an empty stored name leaves the string as it was
    if (!r.Text(o.name) || !r.Int(o.type) || !ReadFloats(r, o.origin, 3)
        || !ReadFloats(r, o.axis, 3) || !ReadFloats(r, o.size, 4) || !r.Int(n))
        return false;
    if (n < 0 || n * 4LL > r.Left())
        return false;
    o.points.ReSize(n);
    return ReadFloats(r, o.points.Data(), n) && r.Int(o.color) && r.Int(o.layer) && r.Int(o.flags)
           && r.Float(o.lineWidth) && r.Float(o.opacity) && r.Int(o.material) && r.Float(o.value);
}

void WriteObject(DFile& file, Geometry::Object const& o)
{
    dataio::PutText(file, o.name);
    dataio::PutInt(file, o.type);
    dataio::PutBytes(file, o.origin, sizeof o.origin);
    dataio::PutBytes(file, o.axis, sizeof o.axis);
    dataio::PutBytes(file, o.size, sizeof o.size);
    dataio::PutInt(file, o.points.Count());
    dataio::PutBytes(file, o.points.Data(), o.points.Count() * 4LL);
    dataio::PutInt(file, o.color);
    dataio::PutInt(file, o.layer);
    dataio::PutInt(file, o.flags);
    dataio::PutFloat(file, o.lineWidth);
    dataio::PutFloat(file, o.opacity);
    dataio::PutInt(file, o.material);
    dataio::PutFloat(file, o.value);
}

} // namespace

Geometry::Geometry() = default;

Geometry::~Geometry() = default;

void Geometry::Add(Object const& object)
{
    objects.Add(object);
}

void Geometry::Scale()
{
    Bounds box;
    for (int i = 0; i < objects.Count(); ++i)
        AddObject(box, objects[i]);
    for (int k = 0; k < 3; ++k) {
        maxVals[k] = box.hi[k];
        minVals[k] = box.lo[k];
    }
}

bool Geometry::Read(DString name)
{
    name += ".dgm";
    DFile file;
    if (!file.Open(name, 5))
        return false;
    bool const ok = Read(file);
    file.Close();
    return ok;
}

bool Geometry::Read(DFile& file)
{
    dataio::Reader r(file);
    // Read twice (checked, then taken), the file is taken into memory once when not large.
    r.ReadAhead(ReadAheadBytes);
    int version = 0;
    int ext = 0;
    int n = 0;
    if (!r.Int(version) || !r.Int(ext) || !r.Skip(ext) || !r.Int(n))
        return false;
    if (n < 0 || n * MinObjectBytes > r.Left())
        return false;
    long long const first = r.Pos();
    if (!Fits(r, n) || !r.Seek(first))
        return false;
    // Known to be whole, the file is read over this set's own objects and their room.
    objects.ReSize(n);
    bool ok = true;
    for (int i = 0; ok && i < n; ++i)
        ok = ReadObject(r, objects[i]);
    DString texts[3];
    ok = ok && ReadFloats(r, maxVals, 3) && ReadFloats(r, minVals, 3) && r.Text(texts[0])
         && r.Text(texts[1]) && r.Text(texts[2]);
    if (!ok) { // only a file cut while it is read: no half-read set is left
        objects.Clear();
        return false;
    }
    text1 = texts[0];
    text2 = texts[1];
    dateStamp = texts[2];
    return true;
}

bool Geometry::Write(DString name)
{
    return dataio::WriteWhole(name + ".dgm", [this](DFile& file) { return Write(file); });
}

bool Geometry::Write(DFile& file)
{
    dateStamp = Now();
    dataio::PutInt(file, DgmVersion);
    dataio::PutInt(file, 0);
    dataio::PutInt(file, objects.Count());
    for (int i = 0; i < objects.Count(); ++i)
        WriteObject(file, objects[i]);
    dataio::PutBytes(file, maxVals, sizeof maxVals);
    dataio::PutBytes(file, minVals, sizeof minVals);
    dataio::PutText(file, text1);
    dataio::PutText(file, text2);
    dataio::PutText(file, dateStamp);
    return true;
}
