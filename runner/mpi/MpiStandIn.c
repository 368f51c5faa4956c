/* A one-process stand-in for MPI: a world of one process, rank 0. */
#include "mpi.h"

#include <stdlib.h>
#include <string.h>

static int initialized = 0;
static int finalized = 0;

static int Known(MPI_Comm comm)
{
    return comm == MPI_COMM_WORLD;
}

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

int MPI_Barrier(MPI_Comm comm)
{
    return Known(comm) ? MPI_SUCCESS : MPI_ERR_COMM;
}

int MPI_Finalize(void)
{
    if (!initialized || finalized)
        return MPI_ERR_OTHER;
    finalized = 1;
    return MPI_SUCCESS;
}

static size_t TypeSize(MPI_Datatype datatype)
{
    switch (datatype) {
    case MPI_CHAR: return 1;
    case MPI_INT:
    case MPI_FLOAT: return 4;
    case MPI_DOUBLE:
    case MPI_LONG_LONG: return 8;
    default: return 0;
    }
}

int MPI_Reduce(const void* sendbuf, void* recvbuf, int count, MPI_Datatype datatype, MPI_Op op,
               int root, MPI_Comm comm)
{
    size_t size = TypeSize(datatype);
    if (!Known(comm))
        return MPI_ERR_COMM;
    if (root != 0)
        return MPI_ERR_ROOT;
    if (size == 0)
        return MPI_ERR_TYPE;
    if (op != MPI_MAX && op != MPI_MIN && op != MPI_SUM)
        return MPI_ERR_OP;
    if (count < 0 || (count > 0 && !recvbuf))
        return MPI_ERR_COUNT;
    if (count > 0 && sendbuf != MPI_IN_PLACE && sendbuf != recvbuf)
        memmove(recvbuf, sendbuf, size * (size_t)count);
    return MPI_SUCCESS;
}

int MPI_Allreduce(const void* sendbuf, void* recvbuf, int count, MPI_Datatype datatype, MPI_Op op,
                  MPI_Comm comm)
{
    return MPI_Reduce(sendbuf, recvbuf, count, datatype, op, 0, comm);
}

int MPI_Bcast(void* buffer, int count, MPI_Datatype datatype, int root, MPI_Comm comm)
{
    (void)buffer;
    if (!Known(comm))
        return MPI_ERR_COMM;
    if (root != 0)
        return MPI_ERR_ROOT;
    if (TypeSize(datatype) == 0)
        return MPI_ERR_TYPE;
    return count < 0 ? MPI_ERR_COUNT : MPI_SUCCESS;
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
