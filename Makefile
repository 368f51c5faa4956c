# Front door: `make test` and `make demo` set up a fresh Debian machine, build, then run.
BUILD   ?= build
# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer (no benchmarks).
SAN_BUILD ?= build-asan
# The Windows build: cross-compiled with mingw-w64, its tests run under wine.
WIN_BUILD ?= build-win
JOBS    ?= $(shell nproc)
# Debian packages the build and the tests need; installed when missing and run as root.
PACKAGES := cmake ninja-build g++ libgtest-dev libbenchmark-dev pkg-config libopenmpi-dev openmpi-bin \
            gnudatalanguage libcpp-httplib-dev nlohmann-json3-dev chromium chromium-driver \
            python3-numpy python3-pandas python3-pytest python3-pip python3-setuptools python3-venv \
            python3-selenium
# npm fetches the plotting library of the talvex serve page at build time; Debian's nodejs and
# npm are installed only when no npm is found (a node.js installed otherwise brings its own).
WEB_PACKAGES := nodejs npm
# What `make bench` needs besides: HDF5 for bench_compare and bench_manytraces (which otherwise
# compare with raw files only), strace for the system calls per trace bench_manytraces counts.
BENCH_PACKAGES := libhdf5-dev strace
# The Windows build's: the cross compiler, wine (64-bit only) and GoogleTest's sources.
WIN_PACKAGES := cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest
# What `make fuzz` needs besides: clang and its libFuzzer runtime.
FUZZ_PACKAGES := clang libclang-rt-14-dev
FUZZ_BUILD   ?= build-fuzz
# Seconds each fuzz target runs.
FUZZ_SECONDS ?= 60

.PHONY: all deps deps-web deps-windows configure build test test-plain test-sanitize test-windows fuzz \
        demo bench clean

all: build

# Installs the Debian packages of $(1) that are missing (run as root), with apt options $(2).
define install_missing
	@missing=""; \
	for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing:$$missing"; \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $(2) $$missing; \
	  else \
	    echo "missing Debian packages:$$missing (run as root to install them)"; exit 1; \
	  fi; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES),)
	@command -v npm >/dev/null 2>&1 || $(MAKE) --no-print-directory deps-web

deps-web:
	$(call install_missing,$(WEB_PACKAGES),)

# wine's recommended packages (32-bit wine, fonts, media libraries) are not needed here.
deps-windows:
	$(call install_missing,$(WIN_PACKAGES),--no-install-recommends)

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: test-plain test-sanitize test-windows

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# -O1 and line tables only keep this stage quick; any sanitizer report fails its test.
test-sanitize: deps
	@test -f $(SAN_BUILD)/build.ninja || cmake -S . -B $(SAN_BUILD) -G Ninja \
	  -DTALVEX_SANITIZE=ON -DTALVEX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1"
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Each test program runs once under wine (it isolates every test itself).
test-windows: deps-windows
	@test -f $(WIN_BUILD)/build.ninja || cmake -S . -B $(WIN_BUILD) -G Ninja \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTALVEX_BUILD_BENCH=OFF
	cmake --build $(WIN_BUILD) -j $(JOBS)
	sh cmake/wine-ctest.sh $(WIN_BUILD) $(JOBS)

# Reconfigured, so that a build configured before HDF5 was installed finds it now.
bench: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(BENCH_PACKAGES)"
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done; true

# The demo builds only what it runs (no tests, no benchmarks): the library, the runner, the
# sample modules and talvex.
DEMO_TARGETS := TalvexCore TalvexDLLRun ShotStats Dorvel talvex talvex_web

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(DEMO_TARGETS)
	sh examples/demo/demo.sh $(BUILD)

# Each libFuzzer target runs FUZZ_SECONDS on corpora seeded from the files the tests write;
# the corpora grow from run to run in $(FUZZ_BUILD)/corpus, crashing inputs land in
# $(FUZZ_BUILD)/crashes and fail the run. No leak check after each input: the library's cache of
# folder names changes its allocations from input to input, which set off a whole-heap scan
# every time (30 times slower); the sanitizer stage of `make test` checks for leaks.
fuzz: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(FUZZ_PACKAGES)"
	@test -f $(FUZZ_BUILD)/build.ninja || CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) \
	  -G Ninja -DTALVEX_FUZZ=ON -DTALVEX_BUILD_TESTS=OFF -DTALVEX_BUILD_BENCH=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g"
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/seed.sh $(BUILD) $(FUZZ_BUILD)/corpus
	@mkdir -p $(FUZZ_BUILD)/crashes; out=$$(cd $(FUZZ_BUILD) && pwd); status=0; \
	for f in $$out/fuzz/fuzz_*; do \
	  t=$$(basename $$f); \
	  $$f -max_total_time=$(FUZZ_SECONDS) -timeout=20 -rss_limit_mb=2048 -detect_leaks=0 \
	    -artifact_prefix=$$out/crashes/$$t- $$out/corpus/$$t > $$out/$$t.log 2>&1 \
	    || { status=1; echo "$$t: FAILED (see $(FUZZ_BUILD)/$$t.log)"; }; \
	  echo "$$t: $$(grep -E '^Done [0-9]+ runs' $$out/$$t.log | tail -1)"; \
	done; exit $$status

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(WIN_BUILD) $(FUZZ_BUILD)
