// Test plug-in: answers each command with what it received, and relays "code:text" words of
// its argument to the host as notifications.
#include "DNotify.h"
#include "DString.h"
#include "DStringArray.h"
#include "ModuleEntry.h"

#include <mpi.h>

namespace {

class EchoSink : public DNotify {
public:
    DNotify* host = nullptr;
    int mode = 0;

    void OnNotify(int code, int, const DString& text) override
    {
        if (!host)
            return;
        RelayWords(text);
        int rank = 0, size = 1, started = 0;
        if (code == 130 && MPI_Initialized(&started) == MPI_SUCCESS && started) {
            MPI_Comm_rank(MPI_COMM_WORLD, &rank);
            MPI_Comm_size(MPI_COMM_WORLD, &size);
        }
        DString reply("Echo ");
        reply << code << " mode " << mode << " rank " << rank << " of " << size << " [" << text
              << "]";
        host->OnNotify(31, 1, reply);
    }

private:
    void RelayWords(const DString& text)
    {
        DStringArray words(text, " ");
        for (int i = 0; i < words.Count(); ++i) {
            int code = 0;
            int colon = words[i].Find(':');
            if (colon > 0 && colon < words[i].Len() && words[i].ToInt(code))
                host->OnNotify(code, code == 31 ? -1 : 0, words[i].Mid(colon + 1));
        }
    }
};

EchoSink Sink;

} // namespace

MODULE_ENTRY bool SvInit(int mode, DNotify* hostSink, DNotify*& moduleSink)
{
    Sink.host = hostSink;
    Sink.mode = mode;
    moduleSink = &Sink;
    return true;
}
