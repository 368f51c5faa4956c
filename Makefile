# Front door: `make test` and `make demo` set up a fresh Debian machine, build, then run.
BUILD   ?= build
# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer (no benchmarks).
SAN_BUILD ?= build-asan
JOBS    ?= $(shell nproc)
# Debian packages the build and the tests need; installed when missing and run as root.
PACKAGES := cmake ninja-build g++ libgtest-dev libbenchmark-dev pkg-config libopenmpi-dev openmpi-bin python3-numpy gnudatalanguage
# Only `make bench` compares with HDF5; without it bench_compare compares with raw files only.
BENCH_PACKAGES := libhdf5-dev

.PHONY: all deps bench-deps install-missing configure build test test-plain test-sanitize demo bench clean

all: build

deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(PACKAGES)"

bench-deps: deps
	@$(MAKE) --no-print-directory install-missing WANTED="$(BENCH_PACKAGES)"

install-missing:
	@missing=""; \
	for p in $(WANTED); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing:$$missing"; \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	  else \
	    echo "missing Debian packages:$$missing (run as root to install them)"; exit 1; \
	  fi; \
	fi

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: test-plain test-sanitize

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

# Reconfigured, so that a build configured before HDF5 was installed now finds it.
bench: bench-deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done; true

demo: build
	sh examples/demo/demo.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
