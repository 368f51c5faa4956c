// Test helpers: matrices and particle groups holding counting values.
#ifndef TALVEX_TESTS_DATASAMPLES_H
#define TALVEX_TESTS_DATASAMPLES_H

#include "Matrix.h"
#include "ParticleGroup.h"

namespace testsupport {

/// A scaled rows x cols grid holding first, first + 1, ... in storage order.
inline Matrix Grid(int rows, int cols, float first)
{
    Matrix m(rows, cols, 1);
    for (int i = 0; i < m.Count(); ++i)
        m[i] = first + float(i);
    m.Scale();
    return m;
}

/// A scaled group of n particles: column c of particle i holds first + i * step + c.
inline ParticleGroup Particles(int n, float first, int step = 1)
{
    ParticleGroup g(n);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 8; ++c)
            g.PData()[i].col[c] = first + float(i * step + c);
    g.Scale();
    return g;
}

} // namespace testsupport

#endif
