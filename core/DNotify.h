// Notification of the host: the sink interfaces, the process-wide sinks and the message functions.
#ifndef TALVEX_DNOTIFY_H
#define TALVEX_DNOTIFY_H

#include "DString.h"
#include "TalvexApi.h"

/// A notification sink: installed by a host to receive the core's messages, and handed back by
/// plug-in modules to receive commands. The order of the virtual functions is fixed.
class TALVEX_API DNotify {
public:
    /// Receives one notification; `text` is valid only during the call.
    virtual void OnNotify(int code, int value, const DString& text) = 0;
    /// Never called by the core; returns false unless a sink says otherwise.
    virtual bool Query();
    virtual ~DNotify();
};

/// A host's receiver of shot changes made through the C interface.
class TALVEX_API QNotify {
public:
    /// First slot of the table, kept for the host's own use; the core never calls it.
    virtual void Reserved();
    /// The current shot became `shotName`; `groupNumber` is -1 when unknown; `reserved` is
    /// always 0 and `flag` always false.
    virtual void ShotChanged(DString shotName, int groupNumber, int reserved, bool flag) = 0;
    virtual ~QNotify();
};

/// The console sink of the C and IDL hosts: prints messages (code 2) on standard output and
/// writes code 5 to the log; ignores everything else and every empty text.
class TALVEX_API CFNotify : public DNotify {
public:
    void OnNotify(int code, int value, const DString& text) override;

    /// The instance that the C interface installs; lives until the process ends.
    static CFNotify* ForC();
    /// The instance that the IDL interface installs; lives until the process ends.
    static CFNotify* ForIDL();
};

/// The installed shot-change sink, or null; owned by whoever installed it.
TALVEX_API extern QNotify* QNot;

/// Installs the process-wide sink (null removes it); the sink must outlive its use.
TALVEX_API void SetNotify(DNotify* sink);
/// The installed sink, or null.
TALVEX_API DNotify* GetNotify();
/// Installs the shot-change sink (null removes it).
TALVEX_API void SetQNotify(QNotify* sink);

/// Forwards to the sink; without one, prints `text` and a line feed on standard output.
TALVEX_API void Notify(int code, int value, const DString& text);
/// Status text: Notify(1, 0, text).
TALVEX_API void Display(const DString& text);
/// Message for the user: Notify(2, 0, text).
TALVEX_API void Message(const DString& text);
/// Message that wants a message box: Notify(7, 0, text).
TALVEX_API void MsgBox(const DString& text);
/// Text for the host's macro callback (code 10); dropped when no sink is installed.
TALVEX_API void MacroCallback(const DString& text);
/// Notify for C callers; a null `text` is the empty text. C linkage: part of the C interface.
extern "C" TALVEX_API void NotifyC(int code, int value, const char* text);

#endif
