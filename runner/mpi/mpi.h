/* A one-process stand-in for MPI (Windows builds without an MPI library): a world of rank 0. */
#ifndef TALVEX_MPI_STANDIN_H
#define TALVEX_MPI_STANDIN_H

#ifdef __cplusplus
extern "C" {
#endif

typedef int MPI_Comm;

#define MPI_COMM_WORLD ((MPI_Comm)0x44000000)
#define MPI_SUCCESS 0
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
