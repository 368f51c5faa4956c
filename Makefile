# Front door: `make test` and `make demo` set up a fresh Debian machine, build, then run.
BUILD   ?= build
JOBS    ?= $(shell nproc)
# Debian packages the build and the tests need; installed when missing and run as root.
PACKAGES := cmake ninja-build g++ libgtest-dev libbenchmark-dev pkg-config libopenmpi-dev openmpi-bin

.PHONY: all deps configure build test demo bench clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
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

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done; true

demo: build
	@echo "make demo arrives with the module runner; nothing to run yet."

clean:
	rm -rf $(BUILD)
