// Start-up state that the log reads but callers must not touch.
#ifndef TALVEX_CORE_P_H
#define TALVEX_CORE_P_H

namespace core {

/// Timer() at the last CoreInit; 0 before the first.
double StartTime();

} // namespace core

#endif
