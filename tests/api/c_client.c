/* A plain C program over the C interface: keeps the header valid C and the calls usable from C. */
#include "TalvexC.h"

#include <stdio.h>
#include <string.h>

/* The separator of path elements on this system. */
#if defined(_WIN32)
#define SEP "\\"
#else
#define SEP "/"
#endif

static int passed = 0;
static int failed = 0;
static int hooked = 0;
static char lastMessage[512];

static void check(const char* name, int ok)
{
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("FAIL %s\n", name);
    }
}

static int onMessage(int code, int value, const char* text, void* context)
{
    (void)value;
    (void)context;
    if (code != 2)
        return 0;
    ++hooked;
    strncpy(lastMessage, text, sizeof lastMessage - 1);
    return 1;
}

/* The folder that holds `path`'s last element (either separator). */
static void parentOf(const char* path, char* out, size_t size)
{
    const char* cut = strrchr(path, '/');
    const char* back = strrchr(path, '\\');
    size_t n;
    if (!cut || (back && back > cut))
        cut = back;
    n = cut ? (size_t)(cut - path) : 0;
    if (n >= size)
        n = size - 1;
    memcpy(out, path, n);
    out[n] = '\0';
}

static int text(int which, char* out, int capacity)
{
    int len = capacity;
    GetStringC(which, &len, out);
    if (len >= 0 && len < capacity)
        out[len] = '\0';
    return len;
}

static void startup(char* base, size_t size)
{
    char prog[1024], expt[1200];
    InitializeTalvexC("prog");
    check("started from C", ExternalInit);
    check("test function", TestFuncC() == 316);
    text(0, prog, sizeof prog);
    parentOf(prog, base, size);
    SetMessageHookC(onMessage, NULL);
    snprintf(expt, sizeof expt, "%s" SEP "data" SEP "Exp1", base);
    SetExperimentC(expt);
    check("experiment selected", text(6, prog, sizeof prog) == 4 && strcmp(prog, "Exp1") == 0);
}

static void texts(void)
{
    char buf[64];
    int len = 4;
    memset(buf, '#', sizeof buf);
    GetStringC(99, &len, buf);
    check("text cut to capacity", len == 4 && memcmp(buf, "Test#", 5) == 0);
    len = 64;
    GetStringC(7, &len, buf);
    check("unknown selector", len == 0);

    check("create shot", CreateShotC("1") == 1);
    check("existing shot refused", CreateShotC("1") == 0 && hooked == 1
                                       && strncmp(lastMessage, "Error creating shot 1 ", 22) == 0);
    check("set shot", SetShotC("1") == 1);

    SetScalarDataC("a", 1.5f);
    SetStringDataC("Comment", "from C");
    check("scalar expression", GetScalarDataC("a*2") == 3.0f);
    len = 64;
    GetStringDataC("Comment", &len, buf);
    check("text field", len == 6 && memcmp(buf, "from C", 6) == 0);
    len = 64;
    GetScalarDataSafeC("[{a}]", &len, buf);
    check("template", len == 5 && memcmp(buf, "[1.5]", 5) == 0);
    check("nodes", GetNodesC(3) == 3);
    CSleep(-1);
}

static void waveforms(void)
{
    const float values[3] = {1.0f, 2.0f, 4.0f};
    float out[5] = {9, 9, 9, 9, 9};
    float start = 0, dt = 0;
    int n = 0;
    char path[1200];
    unsigned char head[8];
    FILE* f;

    SetWaveformC("probe", 3, 0.5f, 0.5f, values);
    GetWaveformInfoC("probe", &n, &start, &dt);
    check("waveform info", n == 3 && start == 0.5f && dt == 0.5f);
    GetWaveformC("probe", 4, 0.5f, 0.5f, out);
    check("waveform read", out[0] == 1 && out[2] == 4 && out[3] == 0 && out[4] == 9);

    text(2, path, 1000);
    strcat(path, SEP "probe.wvf");
    f = fopen(path, "rb");
    check("wvf file", f && fread(head, 1, 8, f) == 8 && head[0] == 4 && head[1] == 0 && head[4] == 3
                          && head[5] == 0);
    if (f)
        fclose(f);
}

static void gridsAndParticles(void)
{
    const float m[6] = {1, 2, 3, 4, 5, 6};
    float out[7] = {0, 0, 0, 0, 0, 0, 9};
    float particles[16];
    float got[17];
    int nx, ny, nz, i, n;
    float x0, dx, y0, dy, z0, dz;

    SetMatrixC("m", 3, 0.0f, 1.0f, 2, 5.0f, 0.5f, 1, 0.0f, 1.0f, m);
    GetMatrixInfoC("m", &nx, &x0, &dx, &ny, &y0, &dy, &nz, &z0, &dz);
    check("matrix info", nx == 3 && ny == 2 && nz == 1 && y0 == 5.0f && dy == 0.5f);
    GetMatrixC("m", 3, 0, 0, 2, 0, 0, 1, 0, 0, out);
    check("matrix values", memcmp(out, m, sizeof m) == 0 && out[6] == 9);

    for (i = 0; i < 16; ++i)
        particles[i] = (float)i;
    got[16] = 99;
    SetPGroupC("pg", 2, 0, 1.0f, 2.0f, particles);
    n = 2;
    GetPGroupC("pg", &n, 0, got);
    check("particles", n == 2 && memcmp(got, particles, sizeof particles) == 0 && got[16] == 99);
}

int main(void)
{
    char base[1024];
    startup(base, sizeof base);
    texts();
    waveforms();
    gridsAndParticles();
    printf("%d passed, %d failed\n", passed, failed);
    return failed != 0;
}
