# Thin wrapper over CMake presets.
PRESET ?= release
BUILD  := build/$(PRESET)
JOBS   ?= $(shell nproc)

.PHONY: all deps configure build test demo bench debug-test clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

debug-test:
	@$(MAKE) --no-print-directory test PRESET=debug

# The main job on the bundled demo database.
demo: build
	@bash scripts/demo.sh $(BUILD)

bench: build
	@for b in $(BUILD)/bench/bench_*; do $$b; done

clean:
	rm -rf build
