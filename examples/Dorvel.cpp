// Dorvel: a sample circuit module that solves the DC operating point of a netlist of
// resistors and independent sources, writes the result file and stores the node voltages as
// fields of the current shot.
//
// Netlist (.cir): one element per line, "<name> <node+> <node-> [DC] <value>", where the name
// begins with R (resistor, ohms), V (voltage source, volts) or I (current source, amperes,
// flowing from node+ through the source to node-). Values take the suffixes T G MEG K M U N P F.
// Node "0" (or "gnd") is ground. Lines beginning with '*' are comments, ".end" ends the list,
// other '.' lines are ignored. The result goes to <experiment>\Dorvel\<input name>.out.
#include "Core.h"
#include "DFile.h"
#include "DNotify.h"
#include "DString.h"
#include "DStringArray.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Paths.h"

#include <mpi.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#if defined(_WIN32)
#define MODULE_ENTRY extern "C" __declspec(dllexport)
#else
#define MODULE_ENTRY extern "C" __attribute__((visibility("default")))
#endif

namespace {

struct Element {
    char kind = 'R'; ///< 'R', 'V' or 'I'
    DString name;
    int plus = -1; ///< node index; -1 is ground
    int minus = -1;
    double value = 0;
};

struct Circuit {
    DStringArray nodes; ///< node names; index = unknown number
    std::vector<Element> elements;
    int sources = 0; ///< voltage sources, each adding a current unknown
};

struct Solution {
    std::vector<double> x; ///< node voltages, then voltage-source currents
};

bool IsGround(const DString& node)
{
    return node == "0" || (node %= "gnd");
}

int NodeIndex(Circuit& circuit, const DString& node)
{
    if (IsGround(node))
        return -1;
    int i = circuit.nodes.Index(node);
    if (i >= 0)
        return i;
    circuit.nodes.Add(node);
    return circuit.nodes.Count() - 1;
}

/// A number with an optional scale suffix; trailing unit letters ("10kOhm") are ignored.
bool ParseValue(const DString& text, double& value)
{
    const char* p = text.c_str();
    char* end = nullptr;
    value = std::strtod(p, &end);
    if (end == p || !std::isfinite(value))
        return false;
    DString rest = DString(end).ToUpper();
    struct Scale {
        const char* suffix;
        double factor;
    };
    static const Scale scales[] = {{"MEG", 1e6}, {"T", 1e12},  {"G", 1e9},
                                   {"K", 1e3},   {"M", 1e-3},  {"U", 1e-6},
                                   {"N", 1e-9},  {"P", 1e-12}, {"F", 1e-15}};
    for (const Scale& s : scales) {
        if (rest.StartsWith(s.suffix)) {
            value *= s.factor;
            break;
        }
    }
    return true;
}

/// Reads the netlist; on failure `error` says which line is wrong.
bool ReadCircuit(const DString& file, Circuit& circuit, DString& error)
{
    DString probe = file;
    if (!FileExists(probe)) {
        error = "cannot read " + file;
        return false;
    }
    DStringArray lines;
    DFile::GetLines(file, lines);
    for (int i = 0; i < lines.Count(); ++i) {
        DString line = lines[i].Trim();
        if (!line || line[0] == '*')
            continue;
        if (line[0] == '.') {
            if (line.StartsWith(".end"))
                break;
            continue;
        }
        DStringArray words(line, " ");
        if (words.Count() == 5 && (words[3] %= "DC"))
            words.Remove(3, 1);
        Element e;
        e.kind = char(std::toupper(static_cast<unsigned char>(line[0])));
        e.name = words[0];
        if (words.Count() != 4 || (e.kind != 'R' && e.kind != 'V' && e.kind != 'I')
            || !ParseValue(words[3], e.value) || (e.kind == 'R' && !(e.value > 0))) {
            error = DString("line ") << (i + 1) << " is not an element: " << line;
            return false;
        }
        e.plus = NodeIndex(circuit, words[1]);
        e.minus = NodeIndex(circuit, words[2]);
        if (e.kind == 'V')
            ++circuit.sources;
        circuit.elements.push_back(e);
    }
    if (circuit.nodes.Count() == 0) {
        error = file + " holds no circuit";
        return false;
    }
    return true;
}

/// Gaussian elimination with partial pivoting on the n x n system a x = b (a row-major).
bool SolveLinear(std::vector<double>& a, std::vector<double>& b, int n)
{
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r) {
            if (std::fabs(a[r * n + col]) > std::fabs(a[pivot * n + col]))
                pivot = r;
        }
        if (std::fabs(a[pivot * n + col]) < 1e-300)
            return false;
        if (pivot != col) {
            for (int c = 0; c < n; ++c)
                std::swap(a[col * n + c], a[pivot * n + c]);
            std::swap(b[col], b[pivot]);
        }
        for (int r = col + 1; r < n; ++r) {
            const double f = a[r * n + col] / a[col * n + col];
            for (int c = col; c < n; ++c)
                a[r * n + c] -= f * a[col * n + c];
            b[r] -= f * b[col];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double s = b[r];
        for (int c = r + 1; c < n; ++c)
            s -= a[r * n + c] * b[c];
        b[r] = s / a[r * n + r];
    }
    return true;
}

/// Modified nodal analysis: one equation per node, one per voltage source.
bool SolveCircuit(const Circuit& circuit, Solution& solution)
{
    const int nodes = circuit.nodes.Count();
    const int n = nodes + circuit.sources;
    std::vector<double> a(size_t(n) * n, 0.0);
    std::vector<double> b(n, 0.0);
    auto at = [&](int r, int c) -> double& { return a[size_t(r) * n + c]; };

    int source = nodes;
    for (const Element& e : circuit.elements) {
        const int p = e.plus, m = e.minus;
        if (e.kind == 'R') {
            const double g = 1.0 / e.value;
            if (p >= 0)
                at(p, p) += g;
            if (m >= 0)
                at(m, m) += g;
            if (p >= 0 && m >= 0) {
                at(p, m) -= g;
                at(m, p) -= g;
            }
        } else if (e.kind == 'I') {
            if (p >= 0)
                b[p] -= e.value;
            if (m >= 0)
                b[m] += e.value;
        } else {
            if (p >= 0) {
                at(p, source) += 1;
                at(source, p) += 1;
            }
            if (m >= 0) {
                at(m, source) -= 1;
                at(source, m) -= 1;
            }
            b[source] = e.value;
            ++source;
        }
    }
    if (!SolveLinear(a, b, n))
        return false;
    solution.x = b;
    return true;
}

DString ResultText(const DString& input, const Circuit& circuit, const Solution& solution)
{
    DString text("Dorvel operating point of ");
    text << input << LDelim << "Shot " << Expt.GetShotName() << LDelim;
    const int nodes = circuit.nodes.Count();
    for (int i = 0; i < nodes; ++i)
        text << "V(" << circuit.nodes[i] << ") = " << Format(solution.x[i], "%.6g") << LDelim;
    int source = nodes;
    for (const Element& e : circuit.elements) {
        if (e.kind == 'V')
            text << "I(" << e.name << ") = " << Format(solution.x[source++], "%.6g") << LDelim;
    }
    return text;
}

/// Writes the result file and the node-voltage fields of the current shot.
bool StoreResults(const DString& input, const Circuit& circuit, const Solution& solution)
{
    DString folder = Expt.AppendExptPathElts("Dorvel");
    CreateFolder(folder);
    DString inputFolder, name;
    SplitPathElts(input, inputFolder, name);
    name.RemoveExt();
    if (!DFile::WriteText(AppendPathElts(folder, name + ".out"),
                          ResultText(input, circuit, solution))) {
        Message("Dorvel: cannot write the result into " + folder);
        return false;
    }
    if (!Expt.GetShotName())
        return true;
    Expt.SetPauseIO(true);
    for (int i = 0; i < circuit.nodes.Count(); ++i)
        Expt.SetShotData("V(" + circuit.nodes[i] + ")", Format(solution.x[i], "%.6g"));
    Expt.SetPauseIO(false);
    return true;
}

int Run(const char* inputFile, bool writer)
{
    const DString input(inputFile);
    Circuit circuit;
    DString error;
    if (!ReadCircuit(input, circuit, error)) {
        Message("Dorvel: " + error);
        return 0;
    }
    Solution solution;
    if (!SolveCircuit(circuit, solution)) {
        Message("Dorvel: the circuit has no single solution (a floating node or a loop of "
                "voltage sources) in "
                + input);
        return 0;
    }
    if (writer && !StoreResults(input, circuit, solution))
        return 0;
    Message(DString("Dorvel: solved ") << circuit.nodes.Count() << " nodes of " << input);
    return 1;
}

} // namespace

/// Solves the circuit in `inputFile`; nonzero for success.
MODULE_ENTRY int RunDorvel(const char*, const char* inputFile)
{
    return Run(inputFile ? inputFile : "", true);
}

/// The same as one process of an MPI job: every process checks the circuit, process 0 alone
/// writes the results.
MODULE_ENTRY int RunDorvelMPI(const char*, const char* inputFile)
{
    int started = 0, rank = 0;
    if (MPI_Initialized(&started) == MPI_SUCCESS && started)
        MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    return Run(inputFile ? inputFile : "", rank == 0);
}
