# SPDX-License-Identifier: GPL-3.0-or-later
# Front door. Everything real happens in CMake and the scripts.
BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run check format-check screenshots bench fuzz asan clean

all: build

setup:
	@scripts/setup

# Configures once, and again whenever CMAKE_FLAGS differ from the last time, so
# that `make check CMAKE_FLAGS=-DHORAVOX_WERROR=ON` applies to a configured folder
# too. Values set once stay in the CMake cache.
configure: setup
	@if [ ! -f $(BUILD)/build.ninja ] || [ "$$(cat $(BUILD)/.cmake-flags 2>/dev/null)" != "$(CMAKE_FLAGS)" ]; then \
		echo "cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)"; \
		cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) && echo "$(CMAKE_FLAGS)" >$(BUILD)/.cmake-flags; \
	fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Builds and starts the clock.
run: build
	$(BUILD)/horavox

# Builds and runs every test: unit, gui (offscreen) and desktop (scripts/with-desktop).
check: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Fails, naming them, when tracked C++ files differ from what clang-format makes
# of them with the repository's .clang-format; `clang-format -i FILE` fixes one.
CLANG_FORMAT ?= clang-format
format-check: setup
	@command -v $(CLANG_FORMAT) >/dev/null || { echo "format-check: $(CLANG_FORMAT) is not installed"; exit 1; }
	@files=$$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz tools -name '*.cpp' -o -name '*.h'); \
	status=0; out=$$($(CLANG_FORMAT) --dry-run --Werror $$files 2>&1) || status=$$?; \
	bad=$$(echo "$$out" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u); \
	if [ -n "$$bad" ]; then \
		echo "format-check: these files are not formatted as .clang-format says (clang-format -i FILE):"; \
		echo "$$bad" | sed 's/^/  /'; \
		exit 1; \
	elif [ $$status -ne 0 ]; then \
		echo "$$out"; echo "format-check: $(CLANG_FORMAT) failed (status $$status)"; exit 1; \
	fi; \
	echo "format-check: $$(echo "$$files" | wc -l) files formatted"

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
# CMAKE_FLAGS given here are added to the sanitizer build's own.
asan:
	$(MAKE) BUILD=build-asan CMAKE_FLAGS="-DHORAVOX_SANITIZE=ON -DHORAVOX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)" build
	ctest --test-dir build-asan --output-on-failure -j $(JOBS) -L 'unit|gui'

clean:
	rm -rf build build-asan build-fuzz
