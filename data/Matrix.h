// Matrix: float values on a grid of up to three coordinate axes, stored as a .dmt file.
#ifndef TALVEX_MATRIX_H
#define TALVEX_MATRIX_H

#include "DArray.h"
#include "DString.h"
#include "TalvexApi.h"

#include <string>

class DFile;

/// Gridded data of rank 2 or 3 (rank 1 only as read from a file). The elements are the values,
/// first index fastest: (i, j, k) is value i + GetSize(1) * (j + GetSize(2) * k). Axes are
/// numbered 1 (rows), 2 (columns) and 3 (layers) in every member that takes an axis number.
class TALVEX_API Matrix : public DArray<float, 0> {
public:
    /// One axis: the elements are its coordinates.
    struct TALVEX_API MDim : public DArray<float, 0> {
        /// One coordinate, 0.0, with step 1.
        MDim();

        /// Uniform coordinate spacing; 0 or below (or NaN) means the coordinates are listed.
        float step = 1.0f;
        /// The axis length as stored in the file (or as last sized), kept when a partial read
        /// shortens the axis.
        int origSize = 1;
    };

    /// Sizes the axes (rank 3 when layers > 1, else 2) and the values; values are not cleared.
    /// A grid of more than 2^31 - 1 values throws std::bad_alloc.
    Matrix(int rows = 1, int cols = 1, int layers = 1);
    /// Values and header; the copy's calibration is 1.0.
    Matrix(Matrix const& other);
    /// Values and header; this matrix keeps its own calibration.
    Matrix& operator=(Matrix const& other);
    ~Matrix() override;

    /// Copies rank, extremes, scaleUnit, the three axes, t1..t5 and the three texts; not the
    /// values and not calibration.
    void CopyHeader(Matrix const& other);
    /// Makes this a blank on the other's grid: as many values (not cleared), its rank and axes;
    /// with copyMarks also t1..t5 and calibration.
    Matrix& InitFrom(Matrix const& other, bool copyMarks = false);

    /// Sizes the axes, then drops the values and makes rows x cols x layers new ones.
    void Size(int rows, int cols = 1, int layers = 1);
    /// Sizes the axes and the values, keeping the leading values.
    void ReSize(int rows, int cols = 1, int layers = 1);
    /// Sizes the axes and makes room for the values; Count() is unchanged.
    void Reserve(int rows, int cols = 1, int layers = 1);

    int Rank() const { return rank; }
    float Max() const { return maxVal; }
    float Min() const { return minVal; }
    float Calibration() const { return calibration; }

    /// Value i + j * GetSize(1), without bounds check.
    float& operator()(int i, int j) { return data[i + j * GetSize(1)]; }
    float operator()(int i, int j) const { return data[i + j * GetSize(1)]; }
    /// Value i + GetSize(1) * (j + GetSize(2) * k), without bounds check.
    float& operator()(int i, int j, int k) { return data[i + GetSize(1) * (j + GetSize(2) * k)]; }
    float operator()(int i, int j, int k) const
    {
        return data[i + GetSize(1) * (j + GetSize(2) * k)];
    }

    /// Every value 0.0.
    void Zero();
    /// maxVal and minVal over all values (NaN never wins), then the 1-2-5 scaleUnit.
    void Scale();
    /// Multiplies every value by new / old calibration and rescales; nothing when the new
    /// calibration is 0 or not a valid float. An old calibration of 0 or not valid leaves the
    /// values as they are.
    void SetCalibration(float newCalibration);
    /// Exchanges the value buffers and counts (axes stay) without copying.
    void SwapData(DArray<float, 0>& other);

    // Coordinates.
    /// Coordinate i of axis d; -1.0 for a bad d or i.
    float GetCoord(int d, int i) const;
    /// Sets a listed coordinate, never below its predecessor; ignored for a bad d or i and for
    /// an axis with a step above 0.
    void SetCoord(int d, int i, float v);
    /// The axis step; -1.0 for a bad d.
    float GetStep(int d) const;
    /// Sets the step; a step above 0 also sets every coordinate k to start + k * step.
    void SetStep(int d, float step, float start = 0.0f);
    /// Coordinate count of axis d; -1 for a bad d.
    int GetSize(int d) const;
    /// Stored length of axis d; -1 for a bad d.
    int GetOrigSize(int d) const;
    /// A copy of the coordinates of axis d (of axis 1 for a bad d).
    DArray<float, 0> GetAllCoords(int d) const;
    /// When coords has exactly the axis size: the coordinates become a copy and the step 0.
    void SetAllCoords(int d, DArray<float, 0> const& coords);
    /// First index whose coordinate is >= v; size - 1 when none; 0 for d outside 1..rank.
    int PointAtCoord(int d, float v) const;
    /// Axis d becomes a copy of axis srcAxis of other (coordinates, step, origSize).
    void CopyCoords(int d, int srcAxis, Matrix const& other);
    /// Exchanges coordinates and step of two axes in 1..rank; origSize and values stay.
    void SwapCoords(int d1, int d2);
    /// Drops the highest size-1 axis of a rank-3 matrix; the values keep their order.
    void Collapse();
    /// The coordinates of axis d inside [from, to], at least one; a bound that is not a valid
    /// float leaves that side open. Empty for a bad d.
    DArray<float, 0> GetPartialCoords(int d, float from, float to) const;
    /// The value of a parameter code (case ignored): t1..t5, su, mx, mn, and for rows (r),
    /// columns (c) and layers (l) the codes xc, xs, xb, x1, xe. -DFMax for any other name.
    float GetMatrixParam(DString const& name) const;

    // Files; the name is given without ".dmt".
    /// Reads the matrix; "name[first, end]" reads slices first..end-1 of the last axis (their
    /// coordinates too; origSize keeps the stored length), and "name[first]" or a missing end
    /// reads to the end. False, matrix unchanged, when the file does not open or is malformed.
    bool Read(DString name, int end = -1, int first = 0);
    /// Writes the whole file (atomically), stamping dateStamp; false when it cannot be written
    /// or the value count is not the product of the axis sizes.
    bool Write(DString name);
    /// Adds this matrix's values as new slices along the file's last axis; a missing file is
    /// written whole. False, file unchanged, when the other axes' sizes or the calibration differ.
    bool Append(DString name);

    float scaleUnit = 1.0f; ///< display scale unit set by Scale() (parameter "su")
    float t1 = 0.0f;        ///< free values (parameters "t1" .. "t5")
    float t2 = 0.0f;
    float t3 = 0.0f;
    float t4 = 0.0f;
    float t5 = 0.0f;
    DString name1;     ///< free text
    DString name2;     ///< free text
    DString dateStamp; ///< date and time of the last write
    MDim axes[3];      ///< axis 1 (rows), 2 (columns), 3 (layers)
    int rank = 2;      ///< number of axes in use
    float maxVal = 0.0f;
    float minVal = 0.0f;
    float calibration = 1.0f;

protected:
    bool Read(DFile& file, int end, int first);
    bool Write(DFile& file);
    /// The in-place append to an open file (mode 7): false, file unchanged, unless the file's
    /// last axis has a uniform step and the other axes fit.
    bool Append(DFile& file);
    /// Clamps the sizes (rows, cols >= 1; layers 1 when below 2), sets rank and the axes, and
    /// returns the value count.
    int setcoords(int& rows, int& cols, int& layers);

private:
    using ValueStore = DArray<float, 0>;
    enum AppendPlan { AppendRefused, AppendInPlace, AppendRewrite };
    struct FileHead;

    /// How this matrix would be appended to the open file, whose header (read from its current
    /// position) is left in `head`.
    AppendPlan planAppend(DFile& file, FileHead& head) const;
    /// The in-place append that planAppend found possible, under the header it read.
    bool appendInPlace(DFile& file, FileHead const& head);
    /// The file read whole, this matrix's slices added, and the file replaced atomically;
    /// `native` is `path` as resolved for the writer lock.
    bool appendByRewrite(DString const& path, std::string const& native) const;
    /// Count() becomes n without clearing the values; returns the storage.
    float* uninitialized(int n);
    /// True when Count() is the product of the axis sizes of the rank.
    bool consistent() const;
    /// Values and whole header of other, which is left in an unspecified state.
    void takeFrom(Matrix& other);
};

#endif
