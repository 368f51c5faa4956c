/* A one-process stand-in for MPI: a world of one process, rank 0. */
#include "mpi.h"

#include <stdlib.h>

static int initialized = 0;
static int finalized = 0;

static int Known(MPI_Comm comm) { return comm == MPI_COMM_WORLD; }

int MPI_Init(int* argc, char*** argv)
{
    (void)argc;
    (void)argv;
    if (initialized || finalized)
        return MPI_ERR_OTHER;
    initialized = 1;
    return MPI_SUCCESS;
}

int MPI_Comm_size(MPI_Comm comm, int* size)
{
    if (!Known(comm) || !size)
        return MPI_ERR_COMM;
    *size = 1;
    return MPI_SUCCESS;
}

int MPI_Comm_rank(MPI_Comm comm, int* rank)
{
    if (!Known(comm) || !rank)
        return MPI_ERR_COMM;
    *rank = 0;
    return MPI_SUCCESS;
}

int MPI_Barrier(MPI_Comm comm) { return Known(comm) ? MPI_SUCCESS : MPI_ERR_COMM; }

int MPI_Finalize(void)
{
    if (!initialized || finalized)
        return MPI_ERR_OTHER;
    finalized = 1;
    return MPI_SUCCESS;
}

int MPI_Abort(MPI_Comm comm, int errorcode)
{
    (void)comm;
    exit(errorcode);
}

int MPI_Initialized(int* flag)
{
    if (flag)
        *flag = initialized;
    return MPI_SUCCESS;
}

int MPI_Finalized(int* flag)
{
    if (flag)
        *flag = finalized;
    return MPI_SUCCESS;
}
