// Waveform construction, copying, header rules and calibration changes.
#include "Waveform.h"

#include "Waveform_p.h"

#include <cstring>

Waveform::Waveform(int n)
{
    if (n < 0)
        n = 0;
    fileCount = n;
    setUnsetCount(n);
}

Waveform::Waveform(Waveform const& other) : DArray<float, false>(other)
{
    CopyHeader(other);
}

Waveform& Waveform::operator=(Waveform const& other)
{
    if (this == &other)
        return *this;
    DArray<float, false>::operator=(other);
    CopyHeader(other);
    return *this;
}

Waveform::~Waveform() = default;

float Waveform::Start() const
{
    float s = startBase + timeShift;
    s = s + scopeShift;
    return s + scopeShift2;
}

float Waveform::End() const
{
    return Start() + static_cast<float>(npnts() - 1) * step;
}

void Waveform::CopyHeader(Waveform const& src)
{
    calibration = src.calibration;
    attenuation = src.attenuation;
    offset = src.offset;
    maxVal = src.maxVal;
    minVal = src.minVal;
    maxPoint = src.maxPoint;
    minPoint = src.minPoint;
    step = src.step;
    timeShift = src.timeShift;
    startBase = src.startBase;
    scaleUnit = src.scaleUnit;
    t1 = src.t1;
    t2 = src.t2;
    t3 = src.t3;
    t4 = src.t4;
    t5 = src.t5;
    scopeShift = src.scopeShift;
    scopeValue = src.scopeValue;
    scopeAux1 = src.scopeAux1;
    scopeAux2 = src.scopeAux2;
    scopeShift2 = src.scopeShift2;
    description = src.description;
    dateStamp = src.dateStamp;
    note = src.note;
    fileCount = src.fileCount;
}

Waveform& Waveform::InitFrom(Waveform const& src, bool copyMarks, bool copyGain)
{
    if (this == &src)
        return *this;
    ReSize(src.npnts());
    step = src.step;
    ScopeZero();
    timeShift = src.timeShift;
    startBase = (src.scopeShift + src.startBase) + src.scopeShift2;
    if (copyMarks) {
        t1 = src.t1;
        t2 = src.t2;
        t3 = src.t3;
        t4 = src.t4;
        t5 = src.t5;
    }
    if (copyGain) {
        calibration = src.calibration;
        attenuation = src.attenuation;
    }
    return *this;
}

void Waveform::SetCalAttOff(float cal, float att, float off)
{
    float const oldCal = calibration;
    float const oldAtt = attenuation;
    float const oldOff = offset;
    float const newCal = (cal == 0.0f || !wvf::ValidSample(cal)) ? oldCal : cal;
    float const newAtt = (att == 0.0f || !wvf::ValidSample(att)) ? oldAtt : att;
    float const newOff = wvf::ValidSample(off) ? off / (oldAtt * oldCal) : oldOff;

    float const oldGain = oldCal * oldAtt;
    // With a zero (or broken) old gain the raw values are gone: rescaling would turn every
    // sample into inf or NaN, so the samples are kept and only the factors change.
    if (oldGain != 0.0f && std::isfinite(oldGain) && std::isfinite(newOff)) {
        float const shift = (newOff - oldOff) * oldCal * oldAtt;
        float const factor = (newCal * newAtt) / oldGain;
        float* s = Data();
        for (int i = 0, n = npnts(); i < n; ++i)
            s[i] = (s[i] - shift) * factor;
    }
    offset = std::isfinite(newOff) ? newOff : oldOff;
    calibration = newCal;
    attenuation = newAtt;
}

void Waveform::Zero()
{
    if (npnts() > 0)
        std::memset(static_cast<void*>(Data()), 0, sizeof(float) * static_cast<size_t>(npnts()));
}

// Sizes the store to n samples in one column without clearing them: the read path fills
// them straight from the file, and clearing 10^7 floats first would double its cost.
void Waveform::setUnsetCount(int n)
{
    // A waveform read again into its own room keeps it: no allocation, no clearing pass.
    if (n <= 0 || n > capacity) {
        Clear();
        if (n <= 0)
            return;
        Reserve(n);
    }
    count = n;
    rows = n;
    columns = 1;
}
