#!/bin/sh
# The sample job: a new experiment under <build>/demo, the Dorvel circuit module and the
# ShotStats plug-in run through TalvexDLLRun against a new shot, alone and as a two-process
# MPI job, then the shot's fields. The demo keeps its own profile inside <build>/demo.
set -eu

BUILD=$(cd "${1:-build}" && pwd)
SOURCE=$(cd "$(dirname "$0")" && pwd)
DEMO="$BUILD/demo"
EXP="$DEMO/Experiment1"
RUN="$BUILD/bin/TalvexDLLRun"
SHOT=1001

rm -rf "$DEMO"
mkdir -p "$DEMO/home/.local/share" "$EXP/Dorvel"
cp "$SOURCE/Divider.cir" "$EXP/Dorvel/"
printf '[General]\r\nDescription=Sample experiment of the runner demo\r\n' > "$EXP/Experiment1.ini"
export HOME="$DEMO/home" XDG_DATA_HOME="$DEMO/home/.local/share"
# mpirun refuses to start as root unless told that this is meant.
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1

step() { printf '\n== %s\n' "$*"; }

step "Self-test"
"$RUN" test

step "Dorvel: operating point of Divider.cir, stored in new shot $SHOT"
"$RUN" "Dorvel;$EXP;$SHOT;Divider;v"
tr -d '\r' < "$EXP/Dorvel/Divider.out"

step "ShotStats on the node voltages, one process"
"$RUN" "ShotStats;$EXP;$SHOT;out=Single!V(*);l"

step "ShotStats on the node voltages, MPI job of two processes"
mpirun --oversubscribe -np 2 "$RUN" "ShotStats;$EXP;$SHOT;out=Mpi!V(*);mvl"

step "ShotStats writes a charging trace towards V(out) and derives quantities through expressions"
# The 10-90 % rise time (trace parameter 19), the time constant it implies, the trace's final
# value as a share of the supply field, and when it reaches half of V(mid) (index form tv(...)).
"$RUN" "ShotStats;$EXP;$SHOT;charge:vcap=[V(out)]!expr:RiseTime=vcap\\19!expr:TimeConstant=vcap\\19/log(9)!expr:FinalShare=vcap\\mx/[V(supply)]*100!expr:HalfMid=vcap\\tv([V(mid)]/2);vl"

step "Fields of shot $SHOT ($EXP/Shots/Shot$SHOT/Scalars.ini)"
tr -d '\r' < "$EXP/Shots/Shot$SHOT/Scalars.ini"

step "Log ($XDG_DATA_HOME/Talvex/Log.txt)"
tr -d '\r' < "$XDG_DATA_HOME/Talvex/Log.txt"

# The same experiment seen through the command-line tool.
TALVEX="$BUILD/bin/talvex"
export TALVEX_EXPERIMENT="$EXP"

step "talvex: shot 1002, the charging trace of shot $SHOT stretched to twice its time (import)"
"$TALVEX" create 1002 --comment "Supply charging twice as slowly"
"$TALVEX" set "$SHOT" Comment "Operating point and charging trace"
for field in 'V(supply)' 'V(mid)' 'V(out)'; do
  "$TALVEX" set 1002 "$field" "$("$TALVEX" eval "[$field]" "$SHOT" --csv | tail -n 1 | cut -d, -f2)"
done
"$TALVEX" dump "$SHOT" vcap --csv | awk -F, 'NR > 1 { printf "%.8g,%s\n", 2 * $1, $2 }' |
  "$TALVEX" import 1002 vcap -
"$TALVEX" data 1002

step "talvex shots"
"$TALVEX" shots

step "talvex eval: the expressions of the charging step over every shot"
"$TALVEX" eval 'vcap\19' -x 'vcap\19/log(9)' -x 'vcap\mx/[V(supply)]*100' -x 'vcap\tv([V(mid)]/2)'

step "talvex eval --where: the shots whose rise time exceeds 3 ms, with the trace's integral"
"$TALVEX" eval 'vcap\19' -x 'vcap\in' --where 'vcap\19 > 0.003'

step "talvex help expressions (its first lines)"
"$TALVEX" help expressions | head -n 12

step "talvex plot: the charging traces of both shots, with axis titles"
"$TALVEX" plot "$SHOT" vcap '1002\vcap' --title 'Charging towards V(out) = ![[V(out)]%.3f] V' \
  --xlabel 'time (s)' --ylabel 'V(cap) (V)' --legend bottom-right -o "$DEMO/charging.svg"
echo "written $DEMO/charging.svg"
echo "The viewer: $TALVEX -e $EXP serve, then open the address it prints (Ctrl-C stops it)"

printf '\nTo go on from here:\n  export PATH="%s:$PATH" TALVEX_EXPERIMENT="%s"\n  talvex --help\n' \
  "$BUILD/bin" "$EXP"
