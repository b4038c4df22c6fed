# Front door. Everything real happens in CMake and the scripts.
BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run check screenshots bench fuzz asan clean

all: build

setup:
	@scripts/setup

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: setup $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Builds and starts the clock.
run: build
	$(BUILD)/horavox

# Builds and runs every test: unit, gui (offscreen) and desktop (scripts/with-desktop).
check: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

screenshots: build
	scripts/with-desktop scripts/screenshots $(BUILD)

bench: build
	scripts/bench $(BUILD)

# libFuzzer, with AddressSanitizer and UndefinedBehaviorSanitizer, on the parsers
# of outside input: the alarm file reader with recurrence and descriptions, the
# COMPOUND_TEXT decoder of window titles and the PCM queue of the sound output.
# FUZZ_SECONDS in all, split between them by fuzz/run. Inputs that break
# something land in build-fuzz/fuzz/ as <target>-crash-*, -timeout-* or -leak-*.
FUZZ_SECONDS ?= 60
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DHORAVOX_FUZZ=ON -DHORAVOX_BUILD_TESTS=OFF -DHORAVOX_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target fuzz_all
	fuzz/run build-fuzz/fuzz $(FUZZ_SECONDS)

# The unit and gui labels again under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	$(MAKE) BUILD=build-asan CMAKE_FLAGS="-DHORAVOX_SANITIZE=ON -DHORAVOX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug" build
	ctest --test-dir build-asan --output-on-failure -j $(JOBS) -L 'unit|gui'

clean:
	rm -rf build build-asan build-fuzz
