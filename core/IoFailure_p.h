// Reporting a failed file operation with the system's reason (internal).
#ifndef TALVEX_IOFAILURE_P_H
#define TALVEX_IOFAILURE_P_H

#include "DString.h"

#include <string>

/// Records and reports (ReportFailure) `what` followed by ": " and the platform layer's last
/// error text, with its error number as the code.
void ReportIoFailure(const DString& what);

/// The same with a reason captured earlier.
void ReportIoFailure(const DString& what, int code, const std::string& reason);

#endif
