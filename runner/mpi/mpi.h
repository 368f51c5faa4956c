/* A one-process stand-in for MPI (Windows builds without an MPI library): a world of rank 0. */
#ifndef TALVEX_MPI_STANDIN_H
#define TALVEX_MPI_STANDIN_H

#ifdef __cplusplus
extern "C" {
#endif

typedef int MPI_Comm;
typedef int MPI_Datatype;
typedef int MPI_Op;

#define MPI_COMM_WORLD ((MPI_Comm)0x44000000)
#define MPI_CHAR ((MPI_Datatype)1)
#define MPI_INT ((MPI_Datatype)4)
#define MPI_FLOAT ((MPI_Datatype)5)
#define MPI_DOUBLE ((MPI_Datatype)8)
#define MPI_LONG_LONG ((MPI_Datatype)9)
#define MPI_MAX ((MPI_Op)1)
#define MPI_MIN ((MPI_Op)2)
#define MPI_SUM ((MPI_Op)3)
#define MPI_IN_PLACE ((void*)-1)
#define MPI_SUCCESS 0
#define MPI_ERR_TYPE 3
#define MPI_ERR_COUNT 2
#define MPI_ERR_ROOT 7
#define MPI_ERR_OP 9
#define MPI_ERR_COMM 5
#define MPI_ERR_OTHER 15

/** Joins the world (always succeeds); the arguments are left as they are. */
int MPI_Init(int* argc, char*** argv);
/** 1 in *size for MPI_COMM_WORLD. */
int MPI_Comm_size(MPI_Comm comm, int* size);
/** 0 in *rank for MPI_COMM_WORLD. */
int MPI_Comm_rank(MPI_Comm comm, int* rank);
/** Returns at once: there is nobody to wait for. */
int MPI_Barrier(MPI_Comm comm);
/** Leaves the world. */
int MPI_Finalize(void);
/** The reduction of one process's values is those values: recvbuf receives sendbuf. */
int MPI_Reduce(const void* sendbuf, void* recvbuf, int count, MPI_Datatype datatype, MPI_Op op,
               int root, MPI_Comm comm);
/** As MPI_Reduce, for every process (the one). */
int MPI_Allreduce(const void* sendbuf, void* recvbuf, int count, MPI_Datatype datatype, MPI_Op op,
                  MPI_Comm comm);
/** Nothing to send: the root already has the values. */
int MPI_Bcast(void* buffer, int count, MPI_Datatype datatype, int root, MPI_Comm comm);
/** Ends the process with `errorcode`. */
int MPI_Abort(MPI_Comm comm, int errorcode);
/** Whether MPI_Init was called. */
int MPI_Initialized(int* flag);
/** Whether MPI_Finalize was called. */
int MPI_Finalized(int* flag);

#ifdef __cplusplus
}
#endif

#endif
