# The two commands of the README, and a few more.
#   make run     set up, build and start the game
#   make test    set up, build with warnings as errors, run every test
#   make bench   set up, build in release mode and run the benchmarks
#   make server  set up, build and start the dedicated server
#                (options in SERVER_ARGS, e.g. SERVER_ARGS="--port 7778")
#   make install set up, build and install the game and the server under
#                PREFIX (default /usr/local), inside DESTDIR when that is set
# Builds go to build/ (release: build-release/, fuzzing: build/clang-fuzz/).
SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c

BUILD ?= build
RELEASE_BUILD ?= build-release
PREFIX ?= /usr/local
FUZZ_BUILD ?= $(BUILD)/clang-fuzz
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SOURCES := $(wildcard fuzz/fuzz_*.cpp)
# The set-up script names the cached SDL3 and font; read only after it ran.
DEPS_ARGS = $$(scripts/setup.sh --print-cmake-args)

.PHONY: all setup run test bench server build configure fuzz install clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(DEPS_ARGS) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: configure
	cmake --build $(BUILD) -j $(JOBS) --target skorvia
	./$(BUILD)/skorvia

test: setup
	cmake -S . -B $(BUILD) -G Ninja $(DEPS_ARGS) -DSKORVIA_WERROR=ON -DSKORVIA_FUZZ_BINARY_DIR=$(abspath $(FUZZ_BUILD)) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)
	$(MAKE) --no-print-directory fuzz
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The libFuzzer targets: a clang build of the core and fuzz/fuzz_*.cpp.
fuzz:
ifneq ($(FUZZ_SOURCES),)
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DSKORVIA_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target skorvia_fuzzers
else
	@echo "no fuzz targets (fuzz/fuzz_*.cpp)"
endif

bench: setup
ifneq ($(wildcard bench/*.cpp),)
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DSKORVIA_BUILD_TESTS=OFF $(DEPS_ARGS) $(CMAKE_ARGS)
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target skorvia_bench
	./$(RELEASE_BUILD)/bench/skorvia_bench $(BENCH_ARGS)
	@# The drawing benchmarks need the client (SDL, OpenGL through the offscreen driver).
	if grep -q '^build skorvia_render_bench:' $(RELEASE_BUILD)/build.ninja; then \
	  cmake --build $(RELEASE_BUILD) -j $(JOBS) --target skorvia_render_bench && \
	  SDL_VIDEO_DRIVER=offscreen SDL_AUDIO_DRIVER=dummy ./$(RELEASE_BUILD)/skorvia_render_bench $(BENCH_ARGS); \
	fi
	@# The sound's benchmarks are built with the client as well.
	if grep -q '^build skorvia_audio_bench:' $(RELEASE_BUILD)/build.ninja; then \
	  cmake --build $(RELEASE_BUILD) -j $(JOBS) --target skorvia_audio_bench && \
	  ./$(RELEASE_BUILD)/skorvia_audio_bench $(BENCH_ARGS); \
	fi
else
	@echo "no benchmarks (bench/*.cpp)"
endif

server: configure
	cmake --build $(BUILD) -j $(JOBS) --target skorvia-server
	./$(BUILD)/skorvia-server $(SERVER_ARGS)

# Builds only what gets installed. DESTDIR (staging for packages) is passed on
# to the install step, which reads it from the environment.
install: configure
	cmake --build $(BUILD) -j $(JOBS) --target skorvia_programs
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD) $(RELEASE_BUILD)
