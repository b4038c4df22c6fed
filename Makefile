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

# The unit and gui labels again under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	$(MAKE) BUILD=build-asan CMAKE_FLAGS="-DHORAVOX_SANITIZE=ON -DHORAVOX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug" build
	ctest --test-dir build-asan --output-on-failure -j $(JOBS) -L 'unit|gui'

clean:
	rm -rf build build-asan
