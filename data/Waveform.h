// Waveform: one sampled trace with its time base, calibration and header, and its .wvf file.
#ifndef TALVEX_WAVEFORM_H
#define TALVEX_WAVEFORM_H

#include "DArray.h"
#include "DString.h"
#include "DataConstants.h"
#include "TalvexApi.h"

class DFile;

/// A run of float samples at a constant time step. Sample i lies at Start() + i * step.
/// The samples are the array's elements (one column, npnts() rows); samples made by
/// construction or growth are not cleared (call Zero()).
class TALVEX_API Waveform : public DArray<float, false> {
public:
    float step = 1.0f;      ///< time between samples
    float timeShift = 0.0f; ///< additive time shift
    float startBase = 0.0f; ///< base start time
    float scaleUnit = 1.0f; ///< display scale unit, set by Scale()
    float t1 = 0.0f, t2 = 0.0f, t3 = 0.0f, t4 = 0.0f, t5 = 0.0f; ///< free time marks
    float scopeShift = 0.0f;                                     ///< start-time correction
    float scopeValue = 0.0f;                                     ///< scope setting
    float scopeAux1 = 0.0f, scopeAux2 = 0.0f;                    ///< scope settings, stored only
    float scopeShift2 = 0.0f;                                    ///< second start-time correction
    DString description; ///< free text; a file's units are appended as "units of ..."
    DString dateStamp;   ///< date and time of the last write
    DString note;        ///< free text
    int fileCount = 0;   ///< points stored in the file last read
    /// 0 unlocked; 1 the file last read was locked; bit 2 writes the lock marker; 4 or more
    /// overwrites a locked file.
    int lockState = 0;
    float attenuation = 1.0f;
    float calibration = 1.0f;
    float offset = 0.0f; ///< baseline in raw units
    float maxVal = 0.0f; ///< largest valid sample, set by Scale()
    float minVal = 0.0f; ///< smallest valid sample, set by Scale()
    int maxPoint = 0;    ///< 1-based position of maxVal; 0 = none
    int minPoint = 0;    ///< 1-based position of minVal; 0 = none

    /// n unset samples (n < 0 counts as 0); fileCount = n.
    explicit Waveform(int n = 0);
    /// Copies the samples and the header; the copy's lockState is 0.
    Waveform(Waveform const& other);
    /// Copies the samples and the header; lockState stays.
    Waveform& operator=(Waveform const& other);
    ~Waveform() override;

    int npnts() const { return Count(); }
    /// ((startBase + timeShift) + scopeShift) + scopeShift2, in single precision.
    float Start() const;
    /// Start() + (npnts() - 1) * step.
    float End() const;
    float Calibration() const { return calibration; }
    float Attenuation() const { return attenuation; }
    float Offset() const { return offset; }
    float Max() const { return maxVal; }
    float Min() const { return minVal; }
    int pMax() const { return maxPoint; }
    int pMin() const { return minPoint; }

    /// Copies every header field and the strings, not the samples or lockState.
    void CopyHeader(Waveform const& src);
    /// Makes this a blank of src's length on src's time base (Start() and step equal src's),
    /// folding this waveform's own scope corrections; marks and gain are copied on request.
    /// The new samples are not cleared.
    Waveform& InitFrom(Waveform const& src, bool copyMarks, bool copyGain);
    /// Changes calibration, attenuation and offset (off in calibrated units), rescaling the
    /// samples so that each keeps its physical value. A zero or invalid cal or att, or an
    /// invalid off, keeps the old factor. Extremes are not refreshed.
    void SetCalAttOff(float cal, float att, float off);
    /// Sets every sample to 0.
    void Zero();

    /// Reads name + ".wvf": n < 0 all points, 0 the header only, n > 0 the first n points
    /// (zero-filled past the stored ones). False, with no samples and the header as it was,
    /// when the file is missing or malformed.
    bool Read(DString name, int n = -1);
    /// Reads a .wvf image from the file's current position; same rules as Read(name, n).
    bool Read(DFile& file, int n = -1);
    /// Writes name + ".wvf" (replacing it as a whole). Refuses, with a message, a file that
    /// carries the lock marker unless lockState >= 4. False when refused or not written.
    bool Write(DString name);
    /// Writes the .wvf image at the file's current position and sets dateStamp. Always true:
    /// a failed write shows in the result of DFile::Close.
    bool Write(DFile& file);

    /// Recomputes maxVal, minVal, their positions and scaleUnit; invalid samples become
    /// -DFMax.
    void Scale();
    /// Folds scopeShift and scopeShift2 into startBase and clears the scope settings and
    /// offset; Start() keeps its value.
    void ScopeZero();
    /// Resamples by linear interpolation onto n points from t0 at step dt (zero outside the
    /// old time base). Nothing happens when dt <= 0 or the time base is already that one.
    void Align(int n, float t0, float dt);
    /// Align onto w's time base; afterwards Start() equals w's.
    void AlignTo(Waveform const& w);
    /// Mean of the samples from time `from` up to but not including the one at `to`.
    float Avg(float from, float to) const;
    /// Time of the first crossing of v; End() + step when v lies outside [minVal, maxVal].
    float TimeAtVal(float v) const;
    /// Time of the last crossing of v; Start() - step when v lies outside [minVal, maxVal].
    float TimeAtValR(float v) const;
    /// x's value at this trace's first crossing of v (x has this trace's length).
    float XYTimeAtVal(float v, Waveform const& x) const;
    /// x's value at this trace's last crossing of v (x has this trace's length).
    float XYTimeAtValR(float v, Waveform const& x) const;
    /// Linearly interpolated value at time t; 0 outside [Start(), End() + step).
    float ValAtTime(float t) const;
    /// Index of the sample at or before t, clamped to 0 .. npnts() - 1.
    int PointAtTime(float t) const;
    /// floor((t - Start()) / step), not clamped.
    int Index(float t) const;
    /// out = the times of samples first .. npnts() - 1 (empty when none).
    void TimeFill(DArray<float, false>& out, int first) const;

    /// The trace parameter named by a code ("19", "fh", "cl", "tv(0.5)", ...); -DFMax for an
    /// unknown code or an empty trace.
    float GetTraceParam(DString const& name) const;
    /// The parameter of this trace (Y) against x (X); -DFMax when the lengths differ or the
    /// trace is empty. Codes without a paired form are those of GetTraceParam.
    float GetXYTraceParam(DString const& name, Waveform const& x) const;

private:
    friend struct WaveformIO; // writes of samples the caller keeps (WaveformIO_p.h)
    void setUnsetCount(int n);
    bool readHeader(DFile& file, Waveform& into, int& version) const;
    /// Scale's extremes over s[0, n); an invalid sample counts as -DFMax and is replaced in
    /// `fix` (the same samples, or null to leave them).
    void scaleOver(float const* s, int n, float* fix);
    /// Write(name) and Write(file) with the n samples at s in place of this one's.
    bool writeNamed(DString name, float const* s, int n);
    void writeImage(DFile& file, float const* s, int n);
};

#endif
