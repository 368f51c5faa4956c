// Geometry: a set of geometric objects with extremes and texts, stored as a .dgm file.
#ifndef TALVEX_GEOMETRY_H
#define TALVEX_GEOMETRY_H

#include "DArray.h"
#include "DString.h"
#include "TalvexApi.h"

class DFile;

/// A set of geometric objects in one x, y, z space. Each object carries the same value groups;
/// what they mean depends on its type code (unused groups are stored as they are, 0 by
/// default):
///
/// | Code | Type      | origin         | axis                | size                    | points   |
/// |------|-----------|----------------|---------------------|-------------------------|----------|
/// | 1    | Point     | position       |                     |                         |          |
/// | 2    | Line      | start          | end                 |                         |          |
/// | 3    | Polyline  | offset         |                     |                         | vertices |
/// | 4    | Rectangle | centre         | normal              | width, height, rotation |          |
/// | 5    | Circle    | centre         | normal              | radius                  |          |
/// | 6    | Polygon   | offset         |                     |                         | vertices |
/// | 7    | Box       | centre         | direction of edge 1 | edges 1, 2, 3, rotation |          |
/// | 8    | Cylinder  | centre of base | base to top         | outer, inner radius     |          |
/// | 9    | Sphere    | centre         |                     | radius                  |          |
/// | 10   | Cone      | centre of base | base to apex        | base, apex radius       |          |
/// | 11   | Mesh      | offset         |                     |                         | triangles|
/// | 12   | Label     | anchor         | text direction      | text height             |          |
///
/// Vertices are x, y, z triples relative to `origin` (a polygon closes itself, a polyline does
/// not); a triangle is three vertices (9 floats).
/// Rotations are in radians about the axis vector. A Label's text is its name. The style
/// values (colour to value) apply to every type.
///
/// The .dgm file, little-endian and packed: int32 version 1, int32 header extension length 0,
/// int32 object count; per object the name (int32 length + bytes), int32 type, origin (3
/// float32), axis (3 float32), size (4 float32), int32 n and n float32 points, then colour,
/// layer, flags (int32 each), line width, opacity (float32), material (int32) and value
/// (float32); after the objects maxVals (3 float32), minVals (3 float32), text1, text2 and
/// dateStamp (int32 length + bytes each).
class TALVEX_API Geometry {
public:
    enum Type {
        Point = 1,
        Line,
        Polyline,
        Rectangle,
        Circle,
        Polygon,
        Box,
        Cylinder,
        Sphere,
        Cone,
        Mesh,
        Label
    };

    /// One geometric object; see the class comment for the meaning of each group by type.
    struct Object {
        DString name;
        int type = Point;
        float origin[3] = {};
        float axis[3] = {};
        float size[4] = {};
        DArray<float, 0> points;
        int color = 0;          ///< 0xRRGGBB
        int layer = 0;          ///< free grouping number
        int flags = 0;          ///< bit 0 hidden, bit 1 filled
        float lineWidth = 1.0f; ///< in display units
        float opacity = 1.0f;   ///< 0 transparent .. 1 opaque
        int material = 0;       ///< free material number
        float value = 0.0f;     ///< free value (a potential, a temperature, ...)
    };

    /// An empty set.
    Geometry();
    ~Geometry();

    int Count() const { return objects.Count(); }
    /// Object i, without bounds check.
    Object& operator[](int i) { return objects[i]; }
    Object const& operator[](int i) const { return objects[i]; }
    /// Appends a copy of the object.
    void Add(Object const& object);

    /// maxVals and minVals: a box around every object, as the class comment's groups place it
    /// (radii and half diagonals taken in every direction); 0 for an empty set.
    void Scale();

    /// Reads name + ".dgm"; false, set unchanged, when it does not open or is malformed.
    bool Read(DString name);
    /// Writes name + ".dgm" whole (atomically), stamping dateStamp; false when that fails.
    bool Write(DString name);

    DArray<Object, 1> objects;
    float maxVals[3] = {};
    float minVals[3] = {};
    DString text1;
    DString text2;
    DString dateStamp; ///< time of the last write

protected:
    bool Read(DFile& file);
    bool Write(DFile& file);
};

#endif
